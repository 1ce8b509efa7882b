; 定时器 T0 方式1, 每 50ms 中断一次: P1.0 每秒取反, P1.1 每 0.5 秒取反 (12MHz)
TICKS   EQU   30H              ; 50ms 计数

        ORG   0000H
        LJMP  MAIN
        ORG   000BH            ; T0 中断入口
        LJMP  T0ISR

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   TICKS,#0
        MOV   TMOD,#01H        ; T0 方式1 (16位定时)
        MOV   TH0,#3CH         ; 65536-50000 = 3CB0H
        MOV   TL0,#0B0H
        SETB  ET0
        SETB  EA
        SETB  TR0              ; 启动 T0
WAIT:   SJMP  WAIT

T0ISR:  PUSH  ACC
        PUSH  PSW
        MOV   TH0,#3CH         ; 重装初值
        MOV   TL0,#0B0H
        INC   TICKS
        MOV   A,TICKS
        CJNE  A,#10,T0A
        CPL   P1.1             ; 0.5 秒
        SJMP  T0X
T0A:    CJNE  A,#20,T0X
        CPL   P1.1
        CPL   P1.0             ; 1 秒
        MOV   TICKS,#0
T0X:    POP   PSW
        POP   ACC
        RETI

        END
