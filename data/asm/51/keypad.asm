; 键盘扫描与显示: A口 -> 段码, B口 -> 位码兼键盘列线, C口低4位 <- 键盘行线 (JR)
; 按下的键值显示在最右一位, 其余位显示 "-"
PA8255  EQU   0FF28H
PB8255  EQU   0FF29H
PC8255  EQU   0FF2AH
CT8255  EQU   0FF2BH
DBUF    EQU   30H              ; 显示缓冲区 30H~35H
KEYV    EQU   36H              ; 键值

        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   DPTR,#CT8255
        MOV   A,#81H           ; A、B口输出, C口低4位输入
        MOVX  @DPTR,A
        MOV   R0,#DBUF
CLR1:   MOV   @R0,#10H         ; 全部显示 "-"
        INC   R0
        CJNE  R0,#DBUF+6,CLR1
LOOP:   LCALL DISP
        LCALL ANYKEY
        JZ    LOOP             ; 无键按下
        LCALL DISP             ; 显示一遍约 6ms, 起去抖作用
        LCALL DISP
        LCALL GETKEY
        JC    LOOP             ; 抖动, 放弃
        MOV   DBUF+5,KEYV      ; 键值放最右一位
RELEASE:
        LCALL DISP             ; 等待键松开
        LCALL ANYKEY
        JNZ   RELEASE
        SJMP  LOOP

; 全部列线输出低, 读行线: 返回 A != 0 表示有键
ANYKEY: MOV   DPTR,#PA8255
        MOV   A,#0             ; 扫描时关段码
        MOVX  @DPTR,A
        MOV   DPTR,#PB8255
        MOVX  @DPTR,A
        MOV   DPTR,#PC8255
        MOVX  A,@DPTR
        CPL   A
        ANL   A,#0FH
        RET

; 逐列扫描求键值: 成功 C=0, 键值在 KEYV; 无键 C=1
GETKEY: MOV   R2,#0FEH         ; 列扫描码
        MOV   R3,#0            ; 列号
GK1:    MOV   DPTR,#PB8255
        MOV   A,R2
        MOVX  @DPTR,A
        MOV   DPTR,#PC8255
        MOVX  A,@DPTR
        CPL   A
        ANL   A,#0FH
        JNZ   GK2              ; 该列有键
        MOV   A,R2
        RL    A
        MOV   R2,A
        INC   R3
        CJNE  R3,#4,GK1
        SETB  C
        RET
GK2:    MOV   R4,#0            ; 行号 = 最低的为1的位
GK3:    RRC   A
        JC    GK4
        INC   R4
        SJMP  GK3
GK4:    MOV   A,R4             ; 序号 = 行号*4 + 列号
        RL    A
        RL    A
        ADD   A,R3
        MOV   DPTR,#KEYTAB
        MOVC  A,@A+DPTR
        MOV   KEYV,A
        CLR   C
        RET

DISP:   MOV   R0,#DBUF
        MOV   R2,#0FEH
DISP1:  MOV   A,@R0
        MOV   DPTR,#SEGTAB
        MOVC  A,@A+DPTR
        MOV   DPTR,#PA8255
        MOVX  @DPTR,A
        MOV   A,R2
        MOV   DPTR,#PB8255
        MOVX  @DPTR,A
        MOV   R7,#1
        LCALL DELAY
        MOV   A,#0FFH
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

; 键位排列 (行*4+列) 与键值的对应, 按实验箱十六进制键盘的排列
KEYTAB: DB    0FH,07H,08H,09H
        DB    04H,05H,06H,01H
        DB    02H,03H,00H,0EH
        DB    0AH,0BH,0CH,0DH
SEGTAB: DB    3FH,06H,5BH,4FH,66H,6DH,7DH,07H
        DB    7FH,6FH,77H,7CH,39H,5EH,79H,71H
        DB    40H

        END
