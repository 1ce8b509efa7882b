"""Pinout pictures of the chips of the reference menu ("常用芯片"): pic/<item name less 2 chars>.jpg.

Active-low pins carry a leading "/". Pin lists run from pin 1 up; DIP packages number down the left
side and back up the right side.
"""
from drawing import canvas, font, save, paragraph, INK, CHIP, BLUE

# menu item name -> (title, description, pin names from pin 1)
CHIPS = {
    'n_ic89s52': ('AT89S52 单片机', '8位单片机，8KB Flash，256B RAM，3个定时器，ISP下载(MOSI/MISO/SCK)。',
        ['P1.0/T2', 'P1.1/T2EX', 'P1.2', 'P1.3', 'P1.4', 'P1.5/MOSI', 'P1.6/MISO', 'P1.7/SCK', 'RST', 'P3.0/RXD',
         'P3.1/TXD', 'P3.2//INT0', 'P3.3//INT1', 'P3.4/T0', 'P3.5/T1', 'P3.6//WR', 'P3.7//RD', 'XTAL2', 'XTAL1', 'GND',
         'P2.0/A8', 'P2.1/A9', 'P2.2/A10', 'P2.3/A11', 'P2.4/A12', 'P2.5/A13', 'P2.6/A14', 'P2.7/A15', '/PSEN', 'ALE//PROG',
         '/EA/VPP', 'P0.7/AD7', 'P0.6/AD6', 'P0.5/AD5', 'P0.4/AD4', 'P0.3/AD3', 'P0.2/AD2', 'P0.1/AD1', 'P0.0/AD0', 'VCC']),
    'N_IC8255': ('8255A 可编程并行接口', '三个8位并行口PA、PB、PC，方式0、1、2；A1A0选择端口：00 A口，01 B口，10 C口，11 控制口。',
        ['PA3', 'PA2', 'PA1', 'PA0', '/RD', '/CS', 'GND', 'A1', 'A0', 'PC7', 'PC6', 'PC5', 'PC4', 'PC0', 'PC1', 'PC2',
         'PC3', 'PB0', 'PB1', 'PB2', 'PB3', 'PB4', 'PB5', 'PB6', 'PB7', 'VCC', 'D7', 'D6', 'D5', 'D4', 'D3', 'D2', 'D1',
         'D0', 'RESET', '/WR', 'PA7', 'PA6', 'PA5', 'PA4']),
    'N_IC8253': ('8253 可编程定时/计数器', '三个16位减法计数器，六种工作方式；A1A0：00 计数器0，01 计数器1，10 计数器2，11 控制字。',
        ['D7', 'D6', 'D5', 'D4', 'D3', 'D2', 'D1', 'D0', 'CLK0', 'OUT0', 'GATE0', 'GND', 'OUT1', 'GATE1', 'CLK1',
         'GATE2', 'OUT2', 'CLK2', 'A0', 'A1', '/CS', '/RD', '/WR', 'VCC']),
    'N_IC8251': ('8251A 可编程串行通信接口', '同步/异步串行收发器；C//D=1 访问控制/状态口，C//D=0 访问数据口。',
        ['D2', 'D3', 'RxD', 'GND', 'D4', 'D5', 'D6', 'D7', '/TxC', '/WR', '/CS', 'C//D', '/RD', 'RxRDY', 'TxRDY',
         'SYNDET/BD', '/CTS', 'TxEMPTY', 'TxD', 'CLK', 'RESET', '/DSR', '/RTS', '/DTR', '/RxC', 'VCC', 'D0', 'D1']),
    'N_IC273': ('74LS273 八D触发器', 'CLK上升沿把D端数据锁入，Q端输出；/CLR低电平清零。常用作简单输出口。',
        ['/CLR', '1Q', '1D', '2D', '2Q', '3Q', '3D', '4D', '4Q', 'GND', 'CLK', '5Q', '5D', '6D', '6Q', '7Q', '7D', '8D',
         '8Q', 'VCC']),
    'N_IC373': ('74LS373 八D锁存器(三态)', 'LE为高时Q跟随D，LE变低时锁存；/OE为低时输出有效。常用于锁存地址低8位。',
        ['/OE', '1Q', '1D', '2D', '2Q', '3Q', '3D', '4D', '4Q', 'GND', 'LE', '5Q', '5D', '6D', '6Q', '7Q', '7D', '8D',
         '8Q', 'VCC']),
    'N_IC244': ('74LS244 八缓冲器(三态)', '两组4位缓冲器，/1G、/2G为低时A端数据送到Y端。常用作简单输入口。',
        ['/1G', '1A1', '2Y4', '1A2', '2Y3', '1A3', '2Y2', '1A4', '2Y1', 'GND', '2A1', '1Y4', '2A2', '1Y3', '2A3', '1Y2',
         '2A4', '1Y1', '/2G', 'VCC']),
    'N_IC245': ('74LS245 八双向总线收发器', '/G为低时工作，DIR=1数据A→B，DIR=0数据B→A。常用作数据总线驱动。',
        ['DIR', 'A1', 'A2', 'A3', 'A4', 'A5', 'A6', 'A7', 'A8', 'GND', 'B8', 'B7', 'B6', 'B5', 'B4', 'B3', 'B2', 'B1',
         '/G', 'VCC']),
    'N_IC8279': ('8279 可编程键盘/显示接口', '自动扫描8×8键盘和16位显示；A0=1访问命令/状态口，A0=0访问数据口。',
        ['RL2', 'RL3', 'CLK', 'IRQ', 'RL4', 'RL5', 'RL6', 'RL7', 'RESET', '/RD', '/WR', 'DB0', 'DB1', 'DB2', 'DB3', 'DB4',
         'DB5', 'DB6', 'DB7', 'VSS', 'A0', '/CS', '/BD', 'OUTA3', 'OUTA2', 'OUTA1', 'OUTA0', 'OUTB0', 'OUTB1', 'OUTB2',
         'OUTB3', 'SL0', 'SL1', 'SL2', 'SL3', 'SHIFT', 'CNTL/STB', 'RL0', 'RL1', 'VCC']),
    'N_IC00': ('74LS00 四2输入与非门', 'Y = /(A·B)，四个独立的与非门。',
        ['1A', '1B', '1Y', '2A', '2B', '2Y', 'GND', '3Y', '3A', '3B', '4Y', '4A', '4B', 'VCC']),
    'N_IC62256': ('62256 静态RAM 32K×8', '/CE为低选中，/OE为低读出，/WE为低写入。',
        ['A14', 'A12', 'A7', 'A6', 'A5', 'A4', 'A3', 'A2', 'A1', 'A0', 'I/O0', 'I/O1', 'I/O2', 'GND', 'I/O3', 'I/O4',
         'I/O5', 'I/O6', 'I/O7', '/CE', 'A10', '/OE', 'A11', 'A9', 'A8', 'A13', '/WE', 'VCC']),
    'N_IC8250': ('8250 异步通信控制器(UART)', '内含波特率发生器；A2~A0选择内部寄存器，DLAB=1时访问除数锁存器。',
        ['D0', 'D1', 'D2', 'D3', 'D4', 'D5', 'D6', 'D7', 'RCLK', 'SIN', 'SOUT', 'CS0', 'CS1', '/CS2', '/BAUDOUT',
         'XTAL1', 'XTAL2', 'DOSTR', '/DOSTR', 'VSS', 'DISTR', '/DISTR', 'DDIS', 'CSOUT', '/ADS', 'A2', 'A1', 'A0', 'NC',
         'INTRPT', '/OUT2', '/RTS', '/DTR', '/OUT1', 'MR', '/CTS', '/DSR', '/RLSD', '/RI', 'VCC']),
    'N_IC04': ('74LS04 六反相器', 'Y = /A，六个独立的反相器。',
        ['1A', '1Y', '2A', '2Y', '3A', '3Y', 'GND', '4Y', '4A', '5Y', '5A', '6Y', '6A', 'VCC']),
    'N_IC07': ('74LS07 六缓冲/驱动器(OC)', 'Y = A，集电极开路输出，可驱动发光管、继电器等较大负载。',
        ['1A', '1Y', '2A', '2Y', '3A', '3Y', 'GND', '4Y', '4A', '5Y', '5A', '6Y', '6A', 'VCC']),
    'N_IC232': ('MAX232 RS-232电平转换', '单+5V供电，内部电荷泵产生±10V；两路发送(TIN→TOUT)、两路接收(RIN→ROUT)。',
        ['C1+', 'V+', 'C1-', 'C2+', 'C2-', 'V-', 'T2OUT', 'R2IN', 'R2OUT', 'T2IN', 'T1IN', 'R1OUT', 'R1IN', 'T1OUT',
         'GND', 'VCC']),
    'N_IC0809': ('ADC0809 8位模数转换器', '8路模拟输入，ADDA~ADDC选择通道；ALE锁存地址，START启动，EOC为高表示转换结束，OE读出。',
        ['IN3', 'IN4', 'IN5', 'IN6', 'IN7', 'START', 'EOC', 'D3', 'OE', 'CLK', 'VCC', 'VREF+', 'GND', 'D1', 'D2',
         'VREF-', 'D0', 'D4', 'D5', 'D6', 'D7', 'ALE', 'ADDC', 'ADDB', 'ADDA', 'IN0', 'IN1', 'IN2']),
    'N_IC0832': ('DAC0832 8位数模转换器', '双缓冲结构：ILE、/CS、/WR1控制输入寄存器，/XFER、/WR2控制DAC寄存器；电流输出需外接运放。',
        ['/CS', '/WR1', 'AGND', 'DI3', 'DI2', 'DI1', 'DI0', 'VREF', 'RFB', 'DGND', 'IOUT1', 'IOUT2', 'DI7', 'DI6', 'DI5',
         'DI4', '/XFER', '/WR2', 'ILE', 'VCC']),
    'n_IC324': ('LM324 四运算放大器', '单电源或双电源工作，四个独立运放。',
        ['OUT1', 'IN1-', 'IN1+', 'VCC', 'IN2+', 'IN2-', 'OUT2', 'OUT3', 'IN3-', 'IN3+', 'GND', 'IN4+', 'IN4-', 'OUT4']),
    'N_IC393': ('LM393 双电压比较器', '集电极开路输出，IN+高于IN-时输出截止(高)。',
        ['OUT1', 'IN1-', 'IN1+', 'GND', 'IN2+', 'IN2-', 'OUT2', 'VCC']),
    'N_IC75451': ('SN75451 双外围驱动器', '与门驱动大电流晶体管，Y = /(A·B)，可驱动继电器、步进电机绕组。',
        ['1A', '1B', '1Y', 'GND', '2Y', '2A', '2B', 'VCC']),
    'N_IC485': ('MAX485 RS-485收发器', '/RE为低允许接收(A、B→RO)，DE为高允许发送(DI→A、B)，半双工。',
        ['RO', '/RE', 'DE', 'DI', 'GND', 'A', 'B', 'VCC']),
    'n_IC1420': ('ISD1420 语音录放', '20秒单段语音录放；/REC为低录音，/PLAYE边沿触发放音，/PLAYL电平触发放音。',
        ['A0', 'A1', 'A2', 'A3', 'A4', 'A5', 'NC', 'NC', 'A6', 'A7', 'NC', 'VSS', 'VSS', 'SP+', 'SP-', 'VCCA', 'MIC',
         'MIC REF', 'AGC', 'ANA IN', 'ANA OUT', 'NC', '/PLAYL', '/PLAYE', '/RECLED', 'XCLK', '/REC', 'VCCD']),
    'N_IC8088': ('8088 微处理器(最小方式)', '16位内部结构、8位外部数据总线；括号内为最大方式的引脚功能。',
        ['GND', 'A14', 'A13', 'A12', 'A11', 'A10', 'A9', 'A8', 'AD7', 'AD6', 'AD5', 'AD4', 'AD3', 'AD2', 'AD1', 'AD0',
         'NMI', 'INTR', 'CLK', 'GND', 'RESET', 'READY', '/TEST', '/INTA(QS1)', 'ALE(QS0)', '/DEN(/S0)', 'DT//R(/S1)',
         'IO//M(/S2)', '/WR(/LOCK)', 'HLDA(/RQ1)', 'HOLD(/RQ0)', '/RD', 'MN//MX', '/SS0', 'A19/S6', 'A18/S5',
         'A17/S4', 'A16/S3', 'A15', 'VCC']),
    'n_IC8259': ('8259A 可编程中断控制器', '8级中断IR0~IR7，可级联到64级；A0区分ICW/OCW的写入口。',
        ['/CS', '/WR', '/RD', 'D7', 'D6', 'D5', 'D4', 'D3', 'D2', 'D1', 'D0', 'CAS0', 'CAS1', 'GND', 'CAS2', '/SP//EN',
         'INT', 'IR0', 'IR1', 'IR2', 'IR3', 'IR4', 'IR5', 'IR6', 'IR7', '/INTA', 'A0', 'VCC']),
    'N_IC8155': ('8155 RAM/IO/定时器', '256字节RAM、PA/PB(8位)、PC(6位)口和14位定时器；IO//M=1访问I/O。',
        ['PC3', 'PC4', 'TIMER IN', 'RESET', 'PC5', '/TIMER OUT', 'IO//M', '/CE', '/RD', '/WR', 'ALE', 'AD0', 'AD1',
         'AD2', 'AD3', 'AD4', 'AD5', 'AD6', 'AD7', 'VSS', 'PA0', 'PA1', 'PA2', 'PA3', 'PA4', 'PA5', 'PA6', 'PA7', 'PB0',
         'PB1', 'PB2', 'PB3', 'PB4', 'PB5', 'PB6', 'PB7', 'PC0', 'PC1', 'PC2', 'VCC']),
    'N_IC27512': ('27512 EPROM 64K×8', '/CE为低选中，/OE为低读出；编程时/OE接VPP。',
        ['A15', 'A12', 'A7', 'A6', 'A5', 'A4', 'A3', 'A2', 'A1', 'A0', 'O0', 'O1', 'O2', 'GND', 'O3', 'O4', 'O5', 'O6',
         'O7', '/CE', 'A10', '/OE/VPP', 'A11', 'A9', 'A8', 'A13', 'A14', 'VCC']),
    'N_IC138': ('74LS138 3-8译码器', 'G1=1、/G2A=/G2B=0时，CBA的值选中一个输出Y0~Y7为低。',
        ['A', 'B', 'C', '/G2A', '/G2B', 'G1', '/Y7', 'GND', '/Y6', '/Y5', '/Y4', '/Y3', '/Y2', '/Y1', '/Y0', 'VCC']),
    'N_IC8237': ('8237A DMA控制器', '4个独立DMA通道，存储器与I/O之间高速传送数据。',
        ['/IOR', '/IOW', '/MEMR', '/MEMW', 'NC', 'READY', 'HLDA', 'ADSTB', 'AEN', 'HRQ', '/CS', 'CLK', 'RESET', 'DACK2',
         'DACK3', 'DREQ3', 'DREQ2', 'DREQ1', 'DREQ0', 'GND', 'DB7', 'DB6', 'DB5', 'DB4', 'DACK0', 'DACK1', 'DB3', 'DB2',
         'DB1', 'DB0', 'VCC', 'A0', 'A1', 'A2', 'A3', '/EOP', 'A4', 'A5', 'A6', 'A7']),
    'N_IC4066': ('CD4066 四双向模拟开关', '控制端C为高时对应开关导通，信号可双向传输。',
        ['1I/O', '1O/I', '2O/I', '2I/O', '2C', '3C', 'VSS', '3I/O', '3O/I', '4O/I', '4I/O', '4C', '1C', 'VDD']),
    'N_IC24C02': ('24C02 I2C串行EEPROM 256×8', 'I2C总线，器件地址1010 A2A1A0；WP接高时写保护。',
        ['A0', 'A1', 'A2', 'GND', 'SDA', 'SCL', 'WP', 'VCC']),
}


def draw_pin_label(d, x, y, name, anchor):
    """A pin name; a leading "/" (or "//" inside) marks an active-low signal, drawn with a bar."""
    parts = name.split('/')
    # Render "/X" as X with an overbar; keep other slashes as written.
    if name.startswith('/') and len(name) > 1:
        shown = name[1:]
        w = font(13).getlength(shown)
        d.text((x, y), shown, font=font(13), fill=INK, anchor=anchor)
        x0 = x - w if anchor[0] == 'r' else x
        d.line([(x0, y - 7), (x0 + font(13).getlength(shown.split('/')[0].split('(')[0]), y - 7)], fill=INK, width=1)
    else:
        d.text((x, y), name.replace('//', '/'), font=font(13), fill=INK, anchor=anchor)
    del parts


def pinout(key):
    title, desc, pins = CHIPS[key]
    n = len(pins)
    assert n % 2 == 0, key
    half = n // 2
    img, d = canvas(title)
    pitch = min(30, 340 // half)
    body_h = pitch * half + 16
    top = 60 + max(0, (360 - body_h) // 2)
    bw = 120
    x0, x1 = 320 - bw // 2, 320 + bw // 2
    d.rectangle([x0, top, x1, top + body_h], fill=CHIP, outline=INK, width=2)
    d.arc([300, top - 12, 340, top + 12], 0, 180, fill=INK, width=2)
    chip_name = title.split(' ')[0]
    d.text((320, top + body_h / 2), chip_name, font=font(16), fill=BLUE, anchor='mm')
    for i in range(half):
        yl = top + 12 + i * pitch
        # left side: pins 1..half from the top
        d.line([(x0 - 22, yl), (x0, yl)], fill=INK, width=2)
        d.text((x0 + 4, yl), str(i + 1), font=font(11), fill=(90, 90, 90), anchor='lm')
        draw_pin_label(d, x0 - 26, yl, pins[i], 'rm')
        # right side: pin n at the top down to half+1
        pr = n - i
        d.line([(x1, yl), (x1 + 22, yl)], fill=INK, width=2)
        d.text((x1 - 4, yl), str(pr), font=font(11), fill=(90, 90, 90), anchor='rm')
        draw_pin_label(d, x1 + 26, yl, pins[pr - 1], 'lm')
    paragraph(d, 20, 430, desc, size=14, max_width=600)
    return img


def main():
    names = []
    for key in CHIPS:
        names.append(save(pinout(key), key[2:] + '.jpg'))
    return names


if __name__ == '__main__':
    for n in main():
        print(n)
