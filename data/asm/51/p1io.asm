; P1口输入输出: K1~K4 接 P1.0~P1.3, P1.4~P1.7 接 L1~L4
        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
LOOP:   MOV   P1,#0FH          ; 低4位写1, 才能正确读入开关
        MOV   A,P1             ; 读引脚
        ANL   A,#0FH           ; 只保留开关状态
        SWAP  A                ; 移到高4位
        ORL   A,#0FH           ; 低4位继续保持为1 (输入)
        MOV   P1,A             ; 高4位驱动发光管
        MOV   R7,#10
        LCALL DELAY
        SJMP  LOOP

DELAY:  MOV   R6,#250          ; 延时 R7 毫秒
DL1:    NOP
        NOP
        DJNZ  R6,DL1
        DJNZ  R7,DELAY
        RET

        END
