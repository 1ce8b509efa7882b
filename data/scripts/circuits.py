"""Circuit pictures of the experiments: the modules (chips) involved, their wired terminals by the
board's names, and every connection of the wiring text.

Reads the catalogue sources (data/catalogue/*/*.json) and the layout of board QK740X (it offers every
type): a terminal belongs to the smallest module block holding its centre. Modules are placed in two
columns so that most connections run between the columns; a connection inside one module is drawn
as a loop on its outer side. Bar terminals (8-pin sockets) are joined by a thick line: a flat cable.
"""
import glob
import json
import os
import re

from drawing import DATA, ROOT, canvas, font, paragraph, save, INK, BLUE, CHIP

W, H = 640, 480
COLOURS = [(200, 30, 30), (30, 80, 200), (20, 130, 50), (160, 60, 160), (210, 120, 0), (0, 130, 140)]
CPU = {1: '8051 CPU (AT89S52)', 2: '8088 CPU', 3: '80C196 CPU', 4: 'PCI 接口卡'}
# Module labels by block name on board QK740X (others use the block's caption).
LABELS = {
    'SpeedButton38': '8255 并行接口', 'sb_io': '简单IO 74LS244/273', 'sb_kg': '电平开关', 'sb_led': '发光管指示',
    'SpeedButton1': '地址译码', 'sb_8253': '8253 定时/计数器', 'sb_clkdiv': '分频单元', 'sb_pulse': '单脉冲/时钟',
    'Sb_0809': 'ADC0809', 'SpeedButton20': '可调直流电压', 'sb_0832': 'DAC0832', 'SpeedButton28': '功放386',
    'sb_8259': '8259 中断控制器', 'sb_8251': '8251 串行接口', 'sb_232': '232区 1.8432MHz', 'sb_key': '数码管/键盘',
    'SpeedButton39': '数码管/键盘', 'sb_ledmatrix': '16×16 LED点阵', 'SpeedButton14': '字符液晶', 'sb_stepmotor': '步进电机',
    'sb_dcmotor': '直流电机/扬声器', 'sb_relay': '继电器', 'sb_ic': 'IC卡 24C02', 'sb_ds18b20': 'DS18B20',
    'sb_yunfang': '运放', 'sb_pci32': 'PCI 接口卡', 'sb_output32': '32位扩展输出', 'SpeedButton18': '32位输出显示',
    'sbdcmotor': '32位开关输入', 'sb_input32': '32位输入接口', 'sb_memory32': '32位存储器',
}
BUS = {'SpeedButton38', 'sb_io', 'sb_8253', 'Sb_0809', 'sb_0832', 'sb_8259', 'sb_8251', 'sb_8250', 'sb_8279',
       'sb_output32', 'sb_input32', 'sb_memory32'}
POWER = {'5V', 'GND', '12V', '12V0'}
CPU_PINS = re.compile(r'^(P[13]\d|PWM|HSI\d|ACH\d|EINT|T2UP|P2\d|NMI|8088INTA|INTR)$')


def board_terminals():
    with open(os.path.join(ROOT, 'boards', 'data', 'QK740X.json'), encoding='utf-8') as f:
        comps = json.load(f)['components']
    blocks = [c for c in comps if c['kind'] == 'block']
    out = {}
    for c in comps:
        if c['kind'] != 'terminal':
            continue
        x, y, w, h = c['rect']
        cx, cy = x + w / 2, y + h / 2
        holders = [b for b in blocks if b['rect'][0] <= cx < b['rect'][0] + b['rect'][2]
                   and b['rect'][1] <= cy < b['rect'][1] + b['rect'][3]]
        block = min(holders, key=lambda b: b['rect'][2] * b['rect'][3]) if holders else None
        out[c['name'][4:].upper()] = {'hint': c.get('hint', c['name'][4:]), 'bar': c['shape'] != 'circle',
                                      'block': block}
    return out


def module_of(name, term, cpu_type):
    if name in POWER:
        return 'power', '电源'
    if CPU_PINS.match(name):
        return 'cpu', CPU[cpu_type]
    if name.startswith('FF') and name.endswith('H'):
        return 'SpeedButton1', '地址译码'
    b = term['block']
    if b is None:
        return 'other', '其它'
    key = 'sb_key' if b['name'] == 'SpeedButton39' else b['name']
    return key, LABELS.get(b['name'], b.get('caption', '').strip() or b['name'])


def steps_of(wiring):
    parts = re.split(r'[,\r\n，]+', wiring)
    return [tuple(p.strip().upper() for p in s.split('>')) for s in parts if '>' in s]


def place(modules, steps, where):
    """Two columns: the CPU and the chips on its bus on the left, beside the bus; then a greedy colouring
    that puts the ends of each connection in different columns."""
    side = {}
    for m in modules:
        if m == 'cpu' or ('cpu' in modules and m in BUS):
            side[m] = 0
    for a, b in steps:
        ma, mb = where[a][0], where[b][0]
        if ma == mb:
            side.setdefault(ma, len(side) % 2)
            continue
        if ma in side and mb not in side:
            side[mb] = 1 - side[ma]
        elif mb in side and ma not in side:
            side[ma] = 1 - side[mb]
        elif ma not in side and mb not in side:
            side[ma], side[mb] = 0, 1
    for m in modules:
        side.setdefault(m, 1 if sum(side.values()) < len(side) / 2 else 0)
    return side


def circuit(row, terms):
    cpu_type = row['CPU类型']
    steps = steps_of(row['实验接线'])
    where = {}
    pins = {}
    order = []
    if cpu_type in (1, 2, 3):
        order.append('cpu')
        pins['cpu'] = []
    labels = {'cpu': CPU[cpu_type]}
    for a, b in steps:
        for n in (a, b):
            key, label = module_of(n, terms[n], cpu_type)
            where[n] = (key, label)
            labels[key] = label
            if key not in pins:
                pins[key] = []
                order.append(key)
            if n not in pins[key]:
                pins[key].append(n)
    side = place(order, steps, where)
    img, d = canvas('电路图：' + row['实验名称'], W, H)
    cols = [[m for m in order if side[m] == s] for s in (0, 1)]
    avail = H - 60 - 30
    need = max(sum(len(pins[m]) + 2 for m in c) for c in cols)
    pitch = max(10, min(17, avail / max(need, 1)))
    size = 12 if pitch >= 13 else 10
    boxw = 170
    xs = [40, W - 40 - boxw]
    pin_at = {}
    rects = {}
    for s, col in enumerate(cols):
        y = 50
        for m in col:
            h = pitch * (len(pins[m]) + 1.4)
            x0 = xs[s]
            rects[m] = (x0, y, x0 + boxw, y + h)
            d.rectangle([x0, y, x0 + boxw, y + h], fill=CHIP, outline=INK, width=2)
            d.text((x0 + boxw / 2, y + pitch * 0.6), labels[m], font=font(size + 1), fill=INK, anchor='mm')
            for i, n in enumerate(pins[m]):
                py = y + pitch * (i + 1.5)
                px = x0 + boxw if s == 0 else x0
                t = terms[n]
                label = n if t['hint'].upper() == n else '%s (%s)' % (n, t['hint'])
                d.text((px - 6 if s == 0 else px + 6, py), label, font=font(size), fill=BLUE,
                       anchor='rm' if s == 0 else 'lm')
                if t['bar']:
                    d.rectangle([px - 3, py - 5, px + 3, py + 5], fill=(250, 220, 40), outline=INK)
                else:
                    d.ellipse([px - 4, py - 4, px + 4, py + 4], fill=(250, 220, 40), outline=INK)
                pin_at[n] = (px, py, s)
            y += h + pitch * 0.8
    # the system bus, along the left column
    bus = [m for m in order if side[m] == 0 and (m in BUS or m == 'cpu')]
    if 'cpu' in bus and len(bus) > 1:
        ys = [(rects[m][1] + rects[m][3]) / 2 for m in bus]
        d.line([(20, min(ys)), (20, max(ys))], fill=(130, 130, 130), width=5)
        for m, yy in zip(bus, ys):
            d.line([(20, yy), (rects[m][0], yy)], fill=(130, 130, 130), width=5)
        d.text((8, H - 22), '灰色粗线：系统总线（数据、地址、读写控制）', font=font(11), fill=(100, 100, 100))
    # connections
    gap0, gap1 = xs[0] + boxw, xs[1]
    n_between = max(1, sum(1 for a, b in steps if pin_at[a][2] != pin_at[b][2]))
    k = 0
    for i, (a, b) in enumerate(steps):
        (xa, ya, sa), (xb, yb, sb) = pin_at[a], pin_at[b]
        colour = COLOURS[i % len(COLOURS)]
        width = 4 if terms[a]['bar'] and terms[b]['bar'] else 2
        if sa != sb:
            if sa == 1:
                (xa, ya), (xb, yb) = (xb, yb), (xa, ya)
            xm = gap0 + 20 + (gap1 - gap0 - 40) * (k + 0.5) / n_between
            k += 1
            d.line([(xa, ya), (xm, ya), (xm, yb), (xb, yb)], fill=colour, width=width)
        else:
            xo = xa + (-1 if sa == 1 else 1) * (14 + 6 * (i % 4))
            d.line([(xa, ya), (xo, ya), (xo, yb), (xb, yb)], fill=colour, width=width)
        for x, y in ((xa, ya), (xb, yb)):
            d.ellipse([x - 3, y - 3, x + 3, y + 3], fill=colour)
    bottom = max(r[3] for r in rects.values())
    if bottom < H - 90:
        paragraph(d, 40, bottom + 24, '接线：' + '，'.join('%s>%s' % s for s in steps), size=13, max_width=560,
                  fill=(60, 60, 60))
    d.text((W - 8, H - 22), '共 %d 条连线' % len(steps), font=font(11), fill=(100, 100, 100), anchor='ra')
    return img


def main():
    terms = board_terminals()
    written = []
    for path in sorted(glob.glob(os.path.join(DATA, 'catalogue', '*', '*.json'))):
        with open(path, encoding='utf-8') as f:
            row = json.load(f)
        written.append(save(circuit(row, terms), row['实验电路']))
    return written


if __name__ == '__main__':
    for p in main():
        print(p)
