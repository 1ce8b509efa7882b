; 直流电机 PWM 调速: P1.0 -> DJ; K1、K2 (P1.4、P1.5) 选择占空比 25%/50%/75%/100%
; T0 方式2 每 100us 中断一次, 100 次为一个 PWM 周期 (10ms)
PWMCNT  EQU   30H              ; 周期内计数 0~99
DUTY    EQU   31H              ; 高电平的计数值

        ORG   0000H
        LJMP  MAIN
        ORG   000BH
        LJMP  T0ISR

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   PWMCNT,#0
        MOV   DUTY,#25
        MOV   TMOD,#02H        ; T0 方式2, 自动重装
        MOV   TH0,#156         ; 256-100 = 100us (12MHz)
        MOV   TL0,#156
        SETB  ET0
        SETB  EA
        SETB  TR0
LOOP:   ORL   P1,#30H          ; P1.4、P1.5 作输入
        MOV   A,P1
        SWAP  A
        ANL   A,#03H           ; K2K1 = 0~3
        MOV   DPTR,#DUTYTAB
        MOVC  A,@A+DPTR
        MOV   DUTY,A
        SJMP  LOOP

T0ISR:  PUSH  ACC
        PUSH  PSW
        MOV   A,PWMCNT
        CLR   C
        SUBB  A,DUTY           ; 计数 < 占空比: 高电平
        MOV   P1.0,C
        INC   PWMCNT
        MOV   A,PWMCNT
        CJNE  A,#100,T0X
        MOV   PWMCNT,#0
T0X:    POP   PSW
        POP   ACC
        RETI

DUTYTAB: DB   25,50,75,100

        END
