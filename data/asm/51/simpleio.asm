; 简单I/O扩展: 74LS244 (CS1 接 FF90H) 读开关, 74LS273 (CS2 接 FF80H) 驱动发光管
IN244   EQU   0FF90H           ; 74LS244 输入口地址
OUT273  EQU   0FF80H           ; 74LS273 输出口地址

        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
LOOP:   MOV   DPTR,#IN244
        MOVX  A,@DPTR          ; 读入 K1~K8
        MOV   DPTR,#OUT273
        MOVX  @DPTR,A          ; 送 L1~L8
        MOV   R7,#20
        LCALL DELAY
        SJMP  LOOP

DELAY:  MOV   R6,#250
DL1:    NOP
        NOP
        DJNZ  R6,DL1
        DJNZ  R7,DELAY
        RET

        END
