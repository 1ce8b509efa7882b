; P1口流水灯: P1.0~P1.7 接发光管 L1~L8 (高电平点亮)
; 晶振 12MHz, 入口地址 0000H
        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H          ; 堆栈放在内部RAM高端
        MOV   A,#01H           ; 初值: 只点亮 L1
LOOP:   MOV   P1,A             ; 显示码送 P1 口
        MOV   R7,#200          ; 延时 200ms
        LCALL DELAY
        RL    A                ; 左移一位, 点亮下一个发光管
        SJMP  LOOP

; 延时 R7 毫秒 (12MHz: 每次内循环 4us, 250 次为 1ms)
DELAY:  MOV   R6,#250
DL1:    NOP
        NOP
        DJNZ  R6,DL1
        DJNZ  R7,DELAY
        RET

        END
