; 串行口与PC机通信: 方式1, 2400 波特 (11.0592MHz), 收到的字符加1后发回
        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   TMOD,#20H        ; T1 方式2, 自动重装
        MOV   TH1,#0F4H        ; 2400 波特
        MOV   TL1,#0F4H
        MOV   PCON,#0          ; SMOD = 0
        SETB  TR1
        MOV   SCON,#50H        ; 方式1, 允许接收
        MOV   DPTR,#HELLO
SEND:   CLR   A
        MOVC  A,@A+DPTR        ; 取提示字符
        JZ    ECHO             ; 0 表示结束
        LCALL PUTC
        INC   DPTR
        SJMP  SEND

ECHO:   JNB   RI,ECHO          ; 等待接收
        CLR   RI
        MOV   A,SBUF
        INC   A                ; 加1后发回
        LCALL PUTC
        SJMP  ECHO

PUTC:   MOV   SBUF,A           ; 发送一个字符, 等待发送完毕
PUTW:   JNB   TI,PUTW
        CLR   TI
        RET

HELLO:  DB    "QK 51 UART",0DH,0AH,0

        END
