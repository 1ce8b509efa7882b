"""Reference pictures of the menu items ("接口定义", "公用电路") and of the clickable board components.

File names follow the picture viewer: a menu item opens pic/<item name less its first 2 characters>.jpg,
a board component opens pic/<component name less its first 3 characters>.jpg (its BlockKey). Where a
menu item and a board block derive the same name without regard to letter case (led, kg, PULSE/pulse,
CLKdiv/clkdiv, shuma, key, cz4/CZ4, cz7), one picture serves both: the program finds files without
regard to case, and the original program ran on a file system that did the same.
"""
import json
import os

from drawing import ROOT, canvas, box, arrow, font, paragraph, save, INK, BLUE, RED, CHIP, PALE

BOARDS = ['QK740X', 'QK620X', 'QK310X', 'QK930X']
# The boards as the model menu names them (the layout files use the form's short name).
BOARD_NAMES = {'QK310X': 'QK310X+'}
# A module drawn as two blocks: the clickable one with the caption, and a block without caption beside it
# that holds the rest of the module's terminals (the digit-select socket JS of the keyboard and display).
MODULE_PARTS = {'key': ['SpeedButton39']}

# Menu items under "实验接口": item name -> (caption, chains of boxes drawn left to right, notes)
MENU = {
    'N_cz11': ('用户实验通信接口', [['PC机串口', 'MAX232', '用户CPU\nRXD/TXD']],
               '实验箱的用户通信口经MAX232转换为TTL电平，接到232区的EX_RXD、EX_TXD插孔，供用户CPU的串行口实验使用。'
               'DB9插座：2脚RXD，3脚TXD，5脚GND。'),
    'n_cz4': ('打印接口', [['CPU数据总线', '74LS373\n数据锁存', '打印口\nD0~D7'], ['/STROBE', 'BUSY', 'ACK']],
              '标准并行打印接口：CPU把数据锁存到D0~D7，发出/STROBE选通脉冲；打印机忙时BUSY为高，收完一个字节回送/ACK。'),
    'N_cz7': ('系统扩展口', [['系统总线\nA0~A15 D0~D7', '扩展插座', '用户扩展板']],
              '扩展口引出系统的地址、数据、控制总线和USB接口芯片的INT_COM、CS_COM、SUSP、VBUS、WAKEUP信号，供用户扩展电路使用。'),
    'N_led': ('发光管指示电路', [['L1~L12\n输入插孔', '74LS04\n反相驱动', '发光管\n+限流电阻', '+5V']],
              '每个输入插孔经74LS04反相后驱动发光管，输入高电平时发光管点亮，输入低电平或悬空时熄灭。'),
    'n_kg': ('逻辑电平开关', [['+5V', '10kΩ上拉', 'K1~K8\n拨动开关', '输出插孔']],
             '开关拨上输出高电平(+5V)，拨下输出低电平(0V)。每个开关只有一个输出插孔。'),
    'N_PULSE': ('单脉冲', [['按键AN0', 'RS触发器\n去抖动', 'H:正脉冲\n|_|:负脉冲']],
                '按键经RS触发器消除抖动，每按一次，H插孔(PH)输出一个正脉冲，|_|插孔(PL)输出一个负脉冲。8M插孔输出8MHz时钟。'),
    'n_CLKdiv': ('分频', [['T 输入', '74LS393\n二进制计数', 'T0~T7\n2~256分频']],
                 '分频单元由74LS393构成，T为时钟输入，T0~T7依次输出T的2、4、8、16、32、64、128、256分频。'),
    'N_JK485': ('485接口', [['CPU TXD', 'DI', 'MAX485', 'A/B 双绞线'], ['CPU RXD', 'RO', 'TEN/R 收发控制']],
                'MAX485把TTL信号转换为差分信号，TEN/R为高时发送，为低时接收，半双工通信，可多机联网。'),
    'n_syscomm': ('系统通信接口', [['PC机', 'RS-232', '监控CPU', '实验箱系统']],
                  '系统通信口用于PC机与实验箱监控程序通信：下载程序、单步运行、读写寄存器和存储器。'),
    'N_shuma': ('数码管显示', None, None),  # drawn as its circuit: display_picture
    'n_key': ('键盘接口', [['列扫描线', '4×4 矩阵键盘', '行线 → JR'], ['监控键盘', '十六进制键盘']],
              '矩阵键盘的列线由位码口输出扫描信号，行线经JR读入，无键时行线为高（上拉），有键按下时该行为低。'),
    'n_CPU51': ('目标CPU控制电路', [['晶振\n12MHz', 'AT89S52', 'RST 复位'], ['ISP 下载口', 'P0/P2 总线', '74LS373']],
                '目标CPU为AT89S52，外接12MHz晶振，上电和按键复位；P0口经74LS373锁存低8位地址，P2口为高8位地址。'),
    'n_memory': ('存储器控制电路', [['A0~A15', '74LS138\n译码', '62256 RAM\n27512 ROM']],
                 '程序存储器27512、数据存储器62256由地址高位经74LS138译码选中，/RD、/WR、/PSEN控制读写。'),
    'n_pwm': ('PWM', [['PWMIN', 'RC 低通滤波', 'LM324 跟随', 'PWMOUT']],
              'PWM信号经RC低通滤波和运放跟随得到与占空比成正比的直流电压，可用作简单的D/A转换。'),
}

# BlockKey -> description of the board module (the caption comes from the board data)
BLOCKS = {
    '0809': 'ADC0809模数转换：CS4片选，IN0~IN7模拟输入，EOC转换结束。通道由地址A0~A2选择。',
    '0832': 'DAC0832数模转换：CS5片选，单缓冲方式，AOUT输出0~5V电压。',
    '232': 'MAX232电平转换：EX_RXD、EX_TXD接用户CPU串行口；1.8432MHz时钟和电源插孔。',
    '485': 'RS-485接口：DI发送数据，R0接收数据，TEN/R收发控制，A、B接双绞线。',
    '8237': '8237 DMA控制器：CS10片选。',
    '8250': '8250串行接口：CS7片选，RXD、TXD串行数据。',
    '8251': '8251串行接口：RXD、TXD串行数据，T/RXC收发时钟，CS8片选。',
    '8253': '8253定时/计数器：CLK0/CLK1时钟输入，GATE0/GATE1门控，OUT0/OUT1输出，CS3片选。',
    '8259': '8259中断控制器：CS片选，INT中断请求，INTA中断响应，IR3中断输入。',
    '8279': '8279键盘显示接口：CS6片选，IRQ中断，JOUT、JSL、JRL为显示和键盘插座。',
    'clk': '时钟电路：晶体振荡器产生系统时钟。',
    'clkdiv': '分频单元：T为输入，T0~T7为T的2~256分频输出。',
    'cmotor': '32位开关输入：JK0~JK24四个插座分别为32个开关的低到高字节。',
    'cpu': 'CPU区域：可插入8051、8088或80C196 CPU板，经系统总线连接各实验模块。',
    'CZ4': '打印接口与EP2扩展插座。',
    'cz7': '扩展接口：引出系统总线和USB芯片的INT_COM、CS_COM、SUSP、VBUS、WAKEUP。',
    'dcmotor': '直流电机：DJ为驱动输入，VOUT为测速输出；扬声器SP+、SP-和蜂鸣器BZ。',
    'ds18b20': 'DS18B20单总线温度传感器：DQ为数据线。',
    'edButton1': '译码及地址总线：FF00H~FFA0H译码输出，A0~A15地址线，80C196和8088的控制信号。',
    'edButton2': '1.8432MHz时钟及反相器：X输入、/X输出，复位信号RST、/RST。',
    'edButton20': '可调直流电压：AOUT1输出0~5V可调电压，作A/D转换的输入。',
    'edButton28': '功放386：VIN音频输入，HOUT接扬声器。',
    'edButton35': '系统控制及内存区。',
    'edButton37': 'P口：8051的P1、P3口引脚P10~P17、P30~P37。',
    'edButton38': '8255并行接口：PA0~PA7、PB0~PB7、PC0~PC7；JX9、JX15、JX16为A、B、C口的8芯插座。',
    'ic': 'IC卡(24C02)：SCL时钟，SDA数据，INS插卡检测。',
    'input32': '32位输入接口：JI0~JI24为输入插座，IOREN读允许。',
    'io': '简单IO：74LS244输入(CS1片选，Y0~Y7)，74LS273输出(CS2片选，Q0~Q7)。',
    'key': '8255键盘显示：JLED数码管段码插座，JS位码插座，JR键盘行线插座。',
    'kg': '电平开关K1~K8：拨上为高电平，拨下为低电平。',
    'led': '发光管指示区L1~L12：输入高电平点亮。',
    'ledmatrix': '16×16 LED点阵：JLPA、JLPB行数据，JHPC列选择。',
    'memory32': '32位存储器：CS32R片选，JA0、JA8地址，JD0~JD3数据。',
    'output32': '32位扩展输出接口：CS32O片选，JO0~JO24输出插座。',
    'press': '压力传感器。',
    'pulse': '单脉冲、时钟：H正脉冲，|_|负脉冲，8M为8MHz时钟。',
    'relay': '继电器：JIN线圈驱动输入，JZ公共端，JK常开触点，JB常闭触点。',
    'shuma': '数码管：6位共阴极七段数码管，由8255动态扫描。',
    'speaker': '扬声器及蜂鸣器。',
    'stepmotor': '步进电机：四相八拍，A、B、C、D相驱动输入HA、HB、HC、HD。',
    'yunfang': '运放：PWMIN、PWMOUT为PWM滤波，EIN、EOUT为放大器输入输出。',
}


def load_boards():
    boards = {}
    for b in BOARDS:
        with open(os.path.join(ROOT, 'boards', 'data', b + '.json'), encoding='utf-8') as f:
            boards[b] = json.load(f)['components']
    return boards


def clickable_blocks(boards):
    """BlockKey -> list of (board, block component), in board order."""
    keys = {}
    for b in BOARDS:
        for c in boards[b]:
            if c['kind'] == 'block' and c.get('click'):
                keys.setdefault(c['name'][3:], []).append((b, c))
    return keys


def terminals_in(block, components):
    """Terminals whose centre lies in the block's rectangle (the smallest block holding them)."""
    bx, by, bw, bh = block['rect']
    blocks = [c for c in components if c['kind'] == 'block']
    out = []
    for c in components:
        if c['kind'] != 'terminal':
            continue
        x, y, w, h = c['rect']
        cx, cy = x + w / 2, y + h / 2
        holders = [k for k in blocks if k['rect'][0] <= cx < k['rect'][0] + k['rect'][2]
                   and k['rect'][1] <= cy < k['rect'][1] + k['rect'][3]]
        if holders and min(holders, key=lambda k: k['rect'][2] * k['rect'][3]) is block:
            out.append(c)
    return out


def chain(d, items, y, x0=30, x1=610):
    n = len(items)
    gap = 36
    w = (x1 - x0 - gap * (n - 1)) / n
    for i, label in enumerate(items):
        bx = x0 + i * (w + gap)
        box(d, bx, y, bx + w, y + 60, label, size=14, fill=CHIP)
        if i + 1 < n:
            arrow(d, [(bx + w + 2, y + 30), (bx + w + gap - 2, y + 30)], fill=BLUE)


def menu_picture(key):
    caption, chains, notes = MENU[key]
    img, d = canvas(caption)
    y = 70
    for c in chains:
        chain(d, c, y)
        y += 100
    paragraph(d, 30, y + 10, notes, size=15, max_width=580)
    return img


def board_list(boards):
    return '、'.join(BOARD_NAMES.get(b, b) for b in dict.fromkeys(boards))


def block_picture(key, uses, notes=None):
    """The module as it lies on the board, enlarged, with its terminals named."""
    board, block = uses[0]
    comps = BOARDS_DATA[board]
    caption = block.get('caption', '').strip() or key
    img, d = canvas(caption)
    parts = [block] + [c for c in comps if c['name'] in MODULE_PARTS.get(key, [])]
    bx = min(p['rect'][0] for p in parts)
    by = min(p['rect'][1] for p in parts)
    bw = max(p['rect'][0] + p['rect'][2] for p in parts) - bx
    bh = max(p['rect'][1] + p['rect'][3] for p in parts) - by
    scale = min(560 / bw, 280 / bh, 5.0)
    ox, oy = 320 - bw * scale / 2, 60 + (290 - bh * scale) / 2
    d.rectangle([ox, oy, ox + bw * scale, oy + bh * scale], fill=(236, 236, 236), outline=INK, width=2)
    terms = [t for p in parts for t in terminals_in(p, comps)]
    if not terms:
        d.text((320, oy + bh * scale / 2), caption, font=font(28), fill=(120, 120, 120), anchor='mm')
    for t in terms:
        x, y, w, h = t['rect']
        cx, cy = ox + (x + w / 2 - bx) * scale, oy + (y + h / 2 - by) * scale
        name = t.get('hint') or t['name'][4:]
        if t['shape'] == 'circle':
            d.ellipse([cx - 6, cy - 6, cx + 6, cy + 6], fill=(250, 220, 40), outline=INK)
        elif w < h:
            d.rectangle([cx - 3, cy - 16, cx + 3, cy + 16], fill=(250, 220, 40), outline=INK)
        else:
            d.rectangle([cx - 16, cy - 3, cx + 16, cy + 3], fill=(250, 220, 40), outline=INK)
        d.text((cx, cy + 9 if t['shape'] == 'circle' or w >= h else cy + 19), name, font=font(11), fill=BLUE,
               anchor='mt')
    y = 365
    y = paragraph(d, 30, y, BLOCKS.get(key, ''), size=15, max_width=580)
    if notes:
        y = paragraph(d, 30, y + 2, notes, size=14, max_width=580, fill=(70, 70, 70))
    d.text((30, 455), '实验箱：' + board_list(b for b, _ in uses), font=font(13), fill=RED)
    return img


def digit_picture(n):
    """The six-digit display of board QK310X; digit n (1 = left)."""
    img, d = canvas('数码管 第%d位' % n)
    segs = {'a': [(250, 90), (390, 90)], 'b': [(400, 100), (400, 210)], 'c': [(400, 240), (400, 350)],
            'd': [(250, 360), (390, 360)], 'e': [(240, 240), (240, 350)], 'f': [(240, 100), (240, 210)],
            'g': [(250, 225), (390, 225)]}
    for name, pts in segs.items():
        d.line(pts, fill=RED, width=14)
        mx, my = (pts[0][0] + pts[1][0]) / 2, (pts[0][1] + pts[1][1]) / 2
        off = (0, -22) if pts[0][1] == pts[1][1] else (26 if pts[0][0] > 320 else -26, 0)
        d.text((mx + off[0], my + off[1]), name, font=font(16), fill=INK, anchor='mm')
    d.ellipse([420, 350, 436, 366], fill=RED)
    d.text((450, 358), 'dp', font=font(16), fill=INK, anchor='lm')
    paragraph(d, 30, 390, '共阴极七段数码管：段码a~g、dp对应D0~D7，高电平点亮；位码低电平选中。'
              '段码表：0=3FH 1=06H 2=5BH 3=4FH 4=66H 5=6DH 6=7DH 7=07H 8=7FH 9=6FH。', size=14, max_width=580)
    return img


# Segments of a seven-segment digit in a unit box (x 0..1, y 0..2), and the digits 0..9 they form.
SEGMENTS = {'a': ((0.12, 0), (0.88, 0)), 'b': ((1, 0.1), (1, 0.9)), 'c': ((1, 1.1), (1, 1.9)),
            'd': ((0.12, 2), (0.88, 2)), 'e': ((0, 1.1), (0, 1.9)), 'f': ((0, 0.1), (0, 0.9)),
            'g': ((0.12, 1), (0.88, 1))}
DIGIT_SEGMENTS = ['abcdef', 'bc', 'abdeg', 'abcdg', 'bcfg', 'acdfg', 'acdefg', 'abc', 'abcdefg', 'abcdfg']
UNLIT = (62, 44, 44)


def seven_segment(d, x, y, w, digit, width=5):
    """One digit showing `digit`, its box w wide and 2w high from (x, y); the decimal point at its lower right."""
    lit = DIGIT_SEGMENTS[digit]
    for name, ((x0, y0), (x1, y1)) in SEGMENTS.items():
        d.line([(x + x0 * w, y + y0 * w), (x + x1 * w, y + y1 * w)], fill=RED if name in lit else UNLIT,
               width=width)
    d.ellipse([x + w + 4, y + 2 * w - 3, x + w + 10, y + 2 * w + 3], fill=UNLIT)


def socket(d, x, y, labels, title, title_right=False):
    """An 8-pin socket drawn flat, its pins D0~D7 left to right from x; labels above the pins, the title
    below it or to its right."""
    d.rectangle([x - 8, y - 8, x + 18 * 7 + 8, y + 8], fill=(250, 220, 40), outline=INK, width=2)
    for i in range(8):
        d.ellipse([x + 18 * i - 3, y - 3, x + 18 * i + 3, y + 3], fill=INK)
        d.text((x + 18 * i, y - 12), labels[i], font=font(11), fill=BLUE, anchor='mb')
    if title_right:
        d.text((x + 18 * 7 + 16, y), title, font=font(13), fill=BLUE, anchor='lm')
    else:
        d.text((x + 63, y + 13), title, font=font(13), fill=BLUE, anchor='mt')


def display_picture():
    """The common circuit of the six-digit display: segment socket JLED, digit-select socket JS, drivers and
    the six common-cathode digits, as the display experiments wire and drive it."""
    img, d = canvas(MENU['N_shuma'][0])
    grey = (110, 110, 110)
    # segment socket JLED, then the segment drivers
    socket(d, 40, 70, list('abcdefg') + ['dp'], 'JLED 段码 D0~D7', title_right=True)
    d.line([(103, 78), (103, 116)], fill=INK, width=5)
    box(d, 28, 116, 178, 150, '段驱动（同相）', size=13, fill=CHIP)
    # the segment bus: a~dp of all six digits in parallel
    digits_x = [238 + 62 * i for i in range(6)]
    d.line([(178, 134), (digits_x[-1] + 20, 134)], fill=INK, width=5)
    d.text((190, 128), 'a~g、dp（6位并联）', font=font(11), fill=grey, anchor='lb')
    for n, x in enumerate(digits_x):
        d.line([(x + 20, 134), (x + 20, 160)], fill=INK, width=3)
        d.rectangle([x - 6, 160, x + 50, 262], fill=(30, 30, 30), outline=INK)
        seven_segment(d, x + 4, 168, 34, n + 1)
        d.text((x + 22, 270), '第%d位' % (n + 1), font=font(12), fill=INK, anchor='mt')
        # the common cathode, through an inverting digit driver, to the select bus
        d.line([(x + 22, 262), (x + 22, 268)], fill=INK, width=1)
        d.line([(x + 22, 286), (x + 22, 294)], fill=INK, width=1)
        d.polygon([(x + 12, 294), (x + 32, 294), (x + 22, 310)], fill=CHIP, outline=INK)
        d.ellipse([x + 19, 310, x + 25, 316], fill='white', outline=INK)
        d.line([(x + 22, 316), (x + 22, 336)], fill=INK, width=1)
        d.text((x + 26, 326), 'S%d' % (n + 1), font=font(11), fill=BLUE, anchor='lm')
    d.text((digits_x[-1] + 36, 302), '位驱动\n（反相）', font=font(11), fill=grey, anchor='lm')
    # digit-select socket JS: D0 selects the leftmost digit
    d.line([(174, 336), (digits_x[-1] + 22, 336)], fill=INK, width=5)
    socket(d, 40, 336, ['S1', 'S2', 'S3', 'S4', 'S5', 'S6', '', ''], 'JS 位码 D0~D7')
    paragraph(d, 30, 374, '6位共阴极七段数码管。段码经JLED插座送入，D0~D7依次为a~g、dp，高电平点亮；'
              '位码经JS插座送入，D0~D5依次选中左起第1~6位，低电平选中(D6、D7不用)。动态扫描：每次送一位的'
              '段码和位码，约1毫秒后换下一位。实验中JLED接8255 A口(JX9)，JS接B口(JX15)。', size=14, max_width=580)
    boards = [b for b in BOARDS if {'JLED', 'JS'} <= {c['name'][4:].upper() for c in BOARDS_DATA[b]
                                                      if c['kind'] == 'terminal'}]
    d.text((30, 455), '实验箱：' + board_list(boards), font=font(13), fill=RED)
    return img


# Pictures drawn as circuits of their own rather than as the board's block: BlockKey or menu name
# (in lower case) -> drawing.
CIRCUITS = {'shuma': display_picture}


def lcd_picture():
    img, d = canvas('字符液晶 16×2')
    d.rectangle([80, 60, 560, 170], fill=(97, 160, 151), outline=INK, width=3)
    for row, text in enumerate(['QK LAB LCD 16x2 ', 'HD44780         ']):
        for i, ch in enumerate(text):
            x, y = 96 + i * 28, 78 + row * 44
            d.rectangle([x, y, x + 24, y + 36], outline=(70, 120, 110))
            d.text((x + 12, y + 18), ch, font=font(20), fill=INK, anchor='mm')
    pins = ['VSS', 'VDD', 'V0', 'RS', 'R/W', 'E', 'D0', 'D1', 'D2', 'D3', 'D4', 'D5', 'D6', 'D7', 'A', 'K']
    for i, p in enumerate(pins):
        x = 92 + i * 29
        d.line([(x, 170), (x, 196)], fill=INK, width=2)
        d.text((x, 206), str(i + 1), font=font(11), fill=INK, anchor='mm')
        d.text((x, 224), p, font=font(11), fill=BLUE, anchor='mm')
    paragraph(d, 30, 260, '命令：38H 8位两行，0CH 开显示，06H 地址加1，01H 清屏，80H 第一行首地址，C0H 第二行首地址。'
              'RS=0写命令、RS=1写数据，E下降沿写入。实验箱上数据口为JX12，控制口为JX14(RS、R/W、E)。',
              size=15, max_width=580)
    return img


def stepper_picture():
    img, d = canvas('步进电机')
    d.ellipse([220, 70, 420, 270], outline=INK, width=3, fill=(240, 240, 240))
    import math
    for i, ph in enumerate('ABCD'):
        a = math.pi / 2 * i - math.pi / 2
        x, y = 320 + 80 * math.cos(a), 170 + 80 * math.sin(a)
        box(d, x - 18, y - 14, x + 18, y + 14, ph, size=15, fill=CHIP)
    d.ellipse([300, 150, 340, 190], fill=RED)
    paragraph(d, 30, 300, '四相步进电机：HA、HB、HC、HD为A、B、C、D相驱动输入，高电平使该相绕组通电。'
              '单四拍 A-B-C-D，双四拍 AB-BC-CD-DA，八拍 A-AB-B-BC-C-CD-D-DA；逆序输出则反转，拍间延时决定转速。',
              size=15, max_width=580)
    return img


def main():
    global BOARDS_DATA
    BOARDS_DATA = load_boards()
    written = []
    blocks = clickable_blocks(BOARDS_DATA)
    by_lower = {k.lower(): k for k in blocks}
    for key in MENU:
        name = key[2:]
        if name.lower() in CIRCUITS:
            written.append(save(CIRCUITS[name.lower()](), name + '.jpg'))
        elif name.lower() in by_lower:
            bkey = by_lower[name.lower()]
            caption, chains, notes = MENU[key]
            written.append(save(block_picture(bkey, blocks[bkey], notes), name + '.jpg'))
        else:
            written.append(save(menu_picture(key), name + '.jpg'))
    menu_names = {k[2:].lower() for k in MENU}
    for key, uses in blocks.items():
        if key.lower() in CIRCUITS and key.lower() not in menu_names:
            written.append(save(CIRCUITS[key.lower()](), key + '.jpg'))
        elif key.lower() not in menu_names:
            written.append(save(block_picture(key, uses), key + '.jpg'))
    for n in range(1, 7):
        written.append(save(digit_picture(n), '%d.jpg' % n))
    written.append(save(lcd_picture(), 'lcd.jpg'))
    written.append(save(stepper_picture(), 'pmotor.jpg'))
    return written


BOARDS_DATA = {}

if __name__ == '__main__':
    for n in main():
        print(n)
