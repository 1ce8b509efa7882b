; 字符液晶 (HD44780): A口 -> 数据 D0~D7 (JX12); C口 -> 控制 (JX14): PC0 = RS, PC1 = R/W, PC2 = E
PA8255  EQU   0FF28H
PC8255  EQU   0FF2AH
CT8255  EQU   0FF2BH

        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   DPTR,#CT8255
        MOV   A,#80H           ; 各口输出
        MOVX  @DPTR,A
        MOV   R7,#20           ; 上电后等待液晶复位
        LCALL DELAY
        MOV   A,#38H           ; 8位接口, 两行, 5x7 点阵
        LCALL WCMD
        MOV   A,#0CH           ; 开显示, 无光标
        LCALL WCMD
        MOV   A,#06H           ; 写入后地址加1
        LCALL WCMD
        MOV   A,#01H           ; 清屏
        LCALL WCMD
        MOV   A,#80H           ; 第一行起始地址
        LCALL WCMD
        MOV   DPTR,#LINE1
        LCALL WSTR
        MOV   A,#0C0H          ; 第二行起始地址
        LCALL WCMD
        MOV   DPTR,#LINE2
        LCALL WSTR
STOP:   SJMP  STOP

; 写字符串 (DPTR 指向, 0 结束)
WSTR:   CLR   A
        MOVC  A,@A+DPTR
        JZ    WSTRX
        PUSH  DPH
        PUSH  DPL
        LCALL WDAT
        POP   DPL
        POP   DPH
        INC   DPTR
        SJMP  WSTR
WSTRX:  RET

; 写命令: RS = 0
WCMD:   MOV   R5,#00H
        SJMP  WLCD
; 写数据: RS = 1
WDAT:   MOV   R5,#01H
WLCD:   MOV   DPTR,#PA8255
        MOVX  @DPTR,A          ; 数据上总线
        MOV   DPTR,#PC8255
        MOV   A,R5
        MOVX  @DPTR,A          ; RS, R/W = 0, E = 0
        ORL   A,#04H
        MOVX  @DPTR,A          ; E = 1
        NOP
        NOP
        MOV   A,R5
        MOVX  @DPTR,A          ; E = 0, 下降沿写入
        MOV   R7,#2            ; 等待液晶执行 (代替查忙)
        LCALL DELAY
        RET

DELAY:  MOV   R6,#250
DL1:    NOP
        NOP
        DJNZ  R6,DL1
        DJNZ  R7,DELAY
        RET

LINE1:  DB    "QK LAB 51 LCD",0
LINE2:  DB    "HELLO STUDENT",0

        END
