; I2C 读写 24C02: P1.0 -> SCL, P1.1 -> SDA; 地址 00H 存开机次数, 加1后写回, 经 8255 A口显示
SCL     EQU   90H              ; P1.0 的位地址
SDA     EQU   91H              ; P1.1 的位地址
PA8255  EQU   0FF28H
CT8255  EQU   0FF2BH

        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   DPTR,#CT8255
        MOV   A,#80H
        MOVX  @DPTR,A
        SETB  SDA
        SETB  SCL
        MOV   R2,#00H          ; 字地址
        LCALL RDBYTE           ; 读出次数 -> A
        INC   A
        MOV   R3,A
        MOV   R2,#00H
        LCALL WRBYTE           ; 写回
        MOV   R7,#10           ; 等待内部写周期
        LCALL DELAY
        MOV   A,R3
        MOV   DPTR,#PA8255
        MOVX  @DPTR,A          ; 显示
STOP:   SJMP  STOP

; 写一个字节: 地址 R2, 数据 R3
WRBYTE: LCALL START
        MOV   A,#0A0H          ; 器件地址, 写
        LCALL SEND
        MOV   A,R2
        LCALL SEND
        MOV   A,R3
        LCALL SEND
        LCALL STOPC
        RET

; 读一个字节: 地址 R2, 结果在 A
RDBYTE: LCALL START
        MOV   A,#0A0H
        LCALL SEND
        MOV   A,R2
        LCALL SEND
        LCALL START            ; 重新起始
        MOV   A,#0A1H          ; 器件地址, 读
        LCALL SEND
        LCALL RECV
        PUSH  ACC
        SETB  SDA              ; 非应答
        LCALL CLOCK
        LCALL STOPC
        POP   ACC
        RET

; 起始条件: SCL 高时 SDA 由高变低
START:  SETB  SDA
        SETB  SCL
        NOP
        NOP
        CLR   SDA
        NOP
        NOP
        CLR   SCL
        RET

; 停止条件: SCL 高时 SDA 由低变高
STOPC:  CLR   SDA
        SETB  SCL
        NOP
        NOP
        SETB  SDA
        RET

; 发送 A 的 8 位 (高位先), 然后读应答
SEND:   MOV   R4,#8
SEND1:  RLC   A
        MOV   SDA,C
        LCALL CLOCK
        DJNZ  R4,SEND1
        SETB  SDA              ; 释放 SDA, 读应答
        LCALL CLOCK
        RET

; 接收 8 位到 A
RECV:   SETB  SDA
        MOV   R4,#8
RECV1:  SETB  SCL
        NOP
        MOV   C,SDA
        RLC   A
        CLR   SCL
        DJNZ  R4,RECV1
        RET

; SCL 产生一个高脉冲
CLOCK:  SETB  SCL
        NOP
        NOP
        CLR   SCL
        RET

DELAY:  MOV   R6,#250
DL1:    NOP
        NOP
        DJNZ  R6,DL1
        DJNZ  R7,DELAY
        RET

        END
