; 步进电机八拍驱动: P1.0~P1.3 -> A、B、C、D 相; K1 (P1.4) 拨上正转, 拨下反转
        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   R3,#0            ; 相序表指针 0~7
LOOP:   ORL   P1,#10H          ; P1.4 作输入, 先写1
        MOV   A,R3
        MOV   DPTR,#PHASE
        MOVC  A,@A+DPTR
        ORL   A,#0F0H          ; 高4位保持1
        MOV   P1,A
        MOV   R7,#5            ; 每拍 5ms, 决定转速
        LCALL DELAY
        JB    P1.4,FWD
        DEC   R3               ; 反转
        SJMP  WRAP
FWD:    INC   R3               ; 正转
WRAP:   MOV   A,R3
        ANL   A,#07H           ; 取模 8
        MOV   R3,A
        SJMP  LOOP

DELAY:  MOV   R6,#250
DL1:    NOP
        NOP
        DJNZ  R6,DL1
        DJNZ  R7,DELAY
        RET

; 八拍相序: A, AB, B, BC, C, CD, D, DA
PHASE:  DB    01H,03H,02H,06H,04H,0CH,08H,09H

        END
