#include "app/MenuTable.h"

namespace menutable {

const QList<Item>& items() {
    using H = Handler;
    static const QList<Item> list = {
        {"N1", "实验接口", 0, H::None},
        {"N8", "-", 1, H::None},
        {"Conn_Defined", "接口定义", 1, H::None},
        {"N_cz11", "用户实验通信接口", 2, H::Reference},
        {"n_cz4", "打印接口", 2, H::Reference},
        {"N_cz7", "系统扩展口", 2, H::Reference},
        {"Common_sch", "公用电路", 1, H::None},
        {"N_led", "发光管指示电路", 2, H::Reference},
        {"n_kg", "逻辑电平开关", 2, H::Reference},
        {"N_PULSE", "单脉冲", 2, H::Reference},
        {"n_CLKdiv", "分频", 2, H::Reference},
        {"N_JK485", "485接口", 2, H::Reference},
        {"n_syscomm", "系统通信接口", 2, H::Reference},
        {"N_shuma", "数码管显示", 2, H::Reference},
        {"n_key", "键盘接口", 2, H::Reference},
        {"n_CPU51", "目标CPU控制电路", 2, H::Reference},
        {"n_memory", "存储器控制电路", 2, H::Reference},
        {"n_pwm", "PWM", 2, H::Reference},
        {"chip", "常用芯片", 1, H::None},
        {"n_ic89s52", "AT89s52", 2, H::Reference},
        {"N_IC8255", "8255", 2, H::Reference},
        {"N_IC8253", "8253", 2, H::Reference},
        {"N_IC8251", "8251", 2, H::Reference},
        {"N_IC273", "LS273", 2, H::Reference},
        {"N_IC373", "LS373", 2, H::Reference},
        {"N_IC244", "LS244", 2, H::Reference},
        {"N_IC245", "LS245", 2, H::Reference},
        {"N_IC8279", "8279", 2, H::Reference},
        {"N_IC00", "LS00", 2, H::Reference},
        {"N_IC62256", "62256", 2, H::Reference},
        {"N_IC8250", "8250", 2, H::Reference},
        {"N_IC04", "LS04", 2, H::Reference},
        {"N_IC07", "LS07", 2, H::Reference},
        {"N_IC232", "MAX232", 2, H::Reference},
        {"N_IC0809", "ADC0809", 2, H::Reference},
        {"N_IC0832", "DA0832", 2, H::Reference},
        {"n_IC324", "LM324", 2, H::Reference},
        {"N_IC393", "SN393", 2, H::Reference},
        {"N_IC75451", "SN75451", 2, H::Reference},
        {"N_IC485", "MAX485", 2, H::Reference},
        {"n_IC1420", "ISD1420语音录放", 2, H::Reference},
        {"N_IC8088", "8088", 2, H::Reference},
        {"n_IC8259", "8259", 2, H::Reference},
        {"N_IC8155", "8155", 2, H::Reference},
        {"N_IC27512", "27512", 2, H::Reference},
        {"N_IC138", "138", 2, H::Reference},
        {"N_IC8237", "8237", 2, H::Reference},
        {"N_IC4066", "4066", 2, H::Reference},
        {"N_IC24C02", "24C02", 2, H::Reference},
        {"N2", "实验设备", 0, H::None},
        {"produceType", "产品型号", 1, H::None},
        {"QK740X", "QK740X", 2, H::ActQK740X},
        {"QK620X", "QK620X", 2, H::QK620X},
        {"QK310X1", "QK310X+", 2, H::QK310X1},
        {"QK930X", "QK930X", 2, H::QK930X},
    };
    return list;
}

QString withAccessKey(const QString& caption, QString& usedKeys) {
    // A caption with a Latin letter or digit marks the first one not yet used in its menu; a Chinese
    // caption gets a free letter in brackets after it, "公用电路(&A)", as is usual for such menus.
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption[i];
        if (c.unicode() < 128 && c.isLetterOrNumber() && !usedKeys.contains(c.toUpper())) {
            usedKeys += c.toUpper();
            return caption.left(i) + '&' + caption.mid(i);
        }
    }
    for (char k = 'A'; k <= 'Z'; ++k) {
        if (!usedKeys.contains(QChar(k))) {
            usedKeys += QChar(k);
            return caption + "(&" + QChar(k) + ")";
        }
    }
    return caption;
}

} // namespace menutable
