"""Flow-chart pictures of the experiments, from flowcharts.json (file name -> title and steps).

A step is drawn as a box; "开始" and "结束" as rounded terminals; a step ending in "?" is a decision
whose "否" branch goes back to the step given after "|" (to itself when none is given) and whose "是"
branch goes on down. A final "@N" draws the loop back to step N.
"""
import json
import os

from drawing import HERE, canvas, box, arrow, font, save, INK, BLUE, PALE, CHIP

W, H = 640, 480


def parse(steps):
    nodes, loop = [], None
    for s in steps:
        if s.startswith('@'):
            loop = int(s[1:])
            continue
        text, back = s, None
        if '?|' in s:
            text, back = s.split('|')
            back = int(back)
        nodes.append({'text': text, 'decision': text.endswith('?'), 'back': back})
    return nodes, loop


def flowchart(title, steps):
    nodes, loop = parse(steps)
    img, d = canvas('流程图：' + title, W, H)
    n = len(nodes)
    top, bottom = 50, H - 20
    pitch = min(62, (bottom - top) / n)
    bh = min(40, pitch - 16)
    cx, bw = 300, 300
    centres = []
    for i, node in enumerate(nodes):
        y = top + i * pitch + bh / 2
        centres.append(y)
        x0, x1, y0, y1 = cx - bw / 2, cx + bw / 2, y - bh / 2, y + bh / 2
        t = node['text']
        size = 14 if font(14).getlength(t) < bw - 40 else 12
        if t in ('开始', '结束', '停机等待'):
            d.rounded_rectangle([cx - 70, y0, cx + 70, y1], radius=bh / 2, fill=CHIP, outline=INK, width=2)
            d.text((cx, y), t, font=font(size), fill=INK, anchor='mm')
        elif node['decision']:
            d.polygon([(x0, y), (cx, y0 - 2), (x1, y), (cx, y1 + 2)], fill=(255, 240, 225), outline=INK)
            d.text((cx, y), t, font=font(size), fill=INK, anchor='mm')
        else:
            box(d, x0, y0, x1, y1, t, size=size, fill=PALE)
        if i > 0:
            arrow(d, [(cx, centres[i - 1] + bh / 2 + 2), (cx, y0 - 2)])
            if nodes[i - 1]['decision']:
                d.text((cx + 8, centres[i - 1] + bh / 2 + 4), '是', font=font(12), fill=BLUE)
    # "否" branches of decisions, on the left
    for i, node in enumerate(nodes):
        if not node['decision']:
            continue
        target = node['back'] if node['back'] is not None else i
        y = centres[i]
        xl = cx - bw / 2 - 30 - 10 * (i % 3)
        ty = centres[target] - (bh / 2 + 6 if target == i else 0)
        pts = [(cx - bw / 2, y), (xl, y), (xl, ty), (cx - (bw / 2 if target != i else 20), ty)]
        if target == i:
            pts = [(cx - bw / 2, y), (xl, y), (xl, ty), (cx - 4, ty), (cx - 4, y - bh / 2 - 2)]
        arrow(d, pts, fill=BLUE)
        d.text((cx - bw / 2 - 6, y - 16), '否', font=font(12), fill=BLUE, anchor='rm')
    # the main loop, on the right
    if loop is not None and n:
        xr = cx + bw / 2 + 40
        yb = centres[-1] + bh / 2 + 2
        yl = min(yb + 10, H - 8)
        arrow(d, [(cx, yb), (cx, yl), (xr, yl), (xr, centres[loop]), (cx + bw / 2 + 2, centres[loop])])
        if nodes[-1]['decision']:
            d.text((cx + 8, yb + 1), '是', font=font(12), fill=BLUE)
    return img


def main():
    with open(os.path.join(HERE, 'flowcharts.json'), encoding='utf-8') as f:
        charts = json.load(f)
    return [save(flowchart(c['title'], c['steps']), name) for name, c in charts.items()]


if __name__ == '__main__':
    for p in main():
        print(p)
