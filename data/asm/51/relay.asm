; 继电器: P1.0 -> JIN, 每 2 秒吸合/释放一次; 常开触点 JK 接 L1, 常闭触点 JB 接 L2
        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
LOOP:   SETB  P1.0             ; 吸合: 常开触点接通, L1 亮
        LCALL DELAY2S
        CLR   P1.0             ; 释放: 常闭触点接通, L2 亮
        LCALL DELAY2S
        SJMP  LOOP

DELAY2S:
        MOV   R5,#10           ; 10 x 200ms
D2:     MOV   R7,#200
        LCALL DELAY
        DJNZ  R5,D2
        RET

DELAY:  MOV   R6,#250
DL1:    NOP
        NOP
        DJNZ  R6,DL1
        DJNZ  R7,DELAY
        RET

        END
