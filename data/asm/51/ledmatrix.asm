; 16x16 LED 点阵显示 "中": A口 -> JLPA (行0~7), B口 -> JLPB (行8~15), C口低4位 -> JHPC (列号)
PA8255  EQU   0FF28H
PB8255  EQU   0FF29H
PC8255  EQU   0FF2AH
CT8255  EQU   0FF2BH

        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   DPTR,#CT8255
        MOV   A,#80H
        MOVX  @DPTR,A
FRAME:  MOV   R3,#0            ; 列号 0~15
COL:    MOV   DPTR,#PA8255     ; 消隐
        CLR   A
        MOVX  @DPTR,A
        MOV   DPTR,#PB8255
        MOVX  @DPTR,A
        MOV   A,R3             ; 字模偏移 = 列号*2
        RL    A
        MOV   R4,A
        MOV   DPTR,#ZHONG
        MOVC  A,@A+DPTR        ; 上半列 (行0~7)
        MOV   R5,A
        MOV   A,R4
        INC   A
        MOVC  A,@A+DPTR        ; 下半列 (行8~15)
        MOV   DPTR,#PB8255
        MOVX  @DPTR,A
        MOV   A,R5
        MOV   DPTR,#PA8255
        MOVX  @DPTR,A
        MOV   A,R3
        MOV   DPTR,#PC8255
        MOVX  @DPTR,A          ; 选中该列
        MOV   R7,#1
        LCALL DELAY
        INC   R3
        CJNE  R3,#16,COL
        SJMP  FRAME

DELAY:  MOV   R6,#250
DL1:    NOP
        NOP
        DJNZ  R6,DL1
        DJNZ  R7,DELAY
        RET

; "中" 的字模, 逐列, 每列两字节: 行0~7 (低位在上), 行8~15
ZHONG:  DB    00H,00H,00H,00H,0F0H,03H,10H,02H
        DB    10H,02H,10H,02H,10H,02H,0FFH,0FFH
        DB    10H,02H,10H,02H,10H,02H,10H,02H
        DB    0F0H,03H,00H,00H,00H,00H,00H,00H

        END
