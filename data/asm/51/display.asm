; 数码管动态显示 "123456": 8255 A口 (JX9) -> 段码 JLED, B口 (JX15) -> 位码 JS
; 共阴极数码管: 段码高电平点亮, 位码低电平选中
PA8255  EQU   0FF28H
PB8255  EQU   0FF29H
CT8255  EQU   0FF2BH
DBUF    EQU   30H              ; 显示缓冲区 30H~35H, 左边第一位在 30H

        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   DPTR,#CT8255
        MOV   A,#80H           ; A、B、C 口均为方式0输出
        MOVX  @DPTR,A
        MOV   R0,#DBUF         ; 缓冲区填 1~6
        MOV   A,#1
FILL:   MOV   @R0,A
        INC   R0
        INC   A
        CJNE  A,#7,FILL
LOOP:   LCALL DISP
        SJMP  LOOP

; 扫描显示一遍 6 位, 每位约 1ms
DISP:   MOV   R0,#DBUF
        MOV   R2,#0FEH         ; 位码: 最左一位
DISP1:  MOV   A,@R0
        MOV   DPTR,#SEGTAB
        MOVC  A,@A+DPTR        ; 查段码
        MOV   DPTR,#PA8255
        MOVX  @DPTR,A
        MOV   A,R2
        MOV   DPTR,#PB8255
        MOVX  @DPTR,A          ; 选中该位
        MOV   R7,#1
        LCALL DELAY
        MOV   A,#0FFH          ; 关显示, 防止拖影
        MOVX  @DPTR,A
        INC   R0
        MOV   A,R2
        RL    A
        MOV   R2,A
        CJNE  R0,#DBUF+6,DISP1
        RET

DELAY:  MOV   R6,#250
DL1:    NOP
        NOP
        DJNZ  R6,DL1
        DJNZ  R7,DELAY
        RET

; 共阴极段码 0~F 和 "-" (10H)
SEGTAB: DB    3FH,06H,5BH,4FH,66H,6DH,7DH,07H
        DB    7FH,6FH,77H,7CH,39H,5EH,79H,71H
        DB    40H

        END
