; 外部中断 INT0 计数: 单脉冲 PL 接 P3.2, 计数值在 P1 口发光管上显示
COUNT   EQU   30H              ; 中断次数

        ORG   0000H
        LJMP  MAIN
        ORG   0003H            ; INT0 中断入口
        LJMP  INT0ISR

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   COUNT,#0
        MOV   P1,#0            ; 发光管全灭
        SETB  IT0              ; 下降沿触发
        SETB  EX0              ; 允许 INT0
        SETB  EA               ; 开总中断
WAIT:   SJMP  WAIT             ; 主程序等待中断

INT0ISR:
        PUSH  ACC
        PUSH  PSW
        INC   COUNT            ; 计数加1
        MOV   A,COUNT
        MOV   P1,A             ; 以二进制显示
        POP   PSW
        POP   ACC
        RETI

        END
