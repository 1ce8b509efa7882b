; 键盘扫描: B口输出列扫描码兼位码, C口低4位读行线 (JR); 键值从右向左移入 6 位数码管
PA8255  EQU   0FF28H
PB8255  EQU   0FF29H
PC8255  EQU   0FF2AH
CT8255  EQU   0FF2BH

CODE    SEGMENT
        ASSUME CS:CODE,DS:CODE
        ORG   2000H
START:  MOV   AX,CS
        MOV   DS,AX
        MOV   DX,CT8255
        MOV   AL,81H           ; A、B口输出, C口低4位输入
        OUT   DX,AL
MAIN1:  CALL  DISP
        CALL  ANYKEY
        JZ    MAIN1
        CALL  DISP             ; 约 12ms 去抖
        CALL  DISP
        CALL  GETKEY           ; AL = 键值, CF = 1 无键
        JC    MAIN1
        MOV   SI,OFFSET DBUF   ; 缓冲区左移一位, 新键值放最右
        MOV   CX,5
SHIFT:  MOV   AH,[SI+1]
        MOV   [SI],AH
        INC   SI
        LOOP  SHIFT
        MOV   [SI],AL
REL:    CALL  DISP             ; 等待松开
        CALL  ANYKEY
        JNZ   REL
        JMP   MAIN1

; 所有列输出低电平, 读行线: ZF = 0 表示有键
ANYKEY  PROC  NEAR
        MOV   DX,PA8255
        MOV   AL,0
        OUT   DX,AL
        MOV   DX,PB8255
        OUT   DX,AL
        MOV   DX,PC8255
        IN    AL,DX
        NOT   AL
        AND   AL,0FH
        RET
ANYKEY  ENDP

; 逐列扫描, 求键值
GETKEY  PROC  NEAR
        MOV   AH,0FEH          ; 列扫描码
        MOV   BL,0             ; 列号
GK1:    MOV   AL,AH
        MOV   DX,PB8255
        OUT   DX,AL
        MOV   DX,PC8255
        IN    AL,DX
        NOT   AL
        AND   AL,0FH
        JNZ   GK2
        ROL   AH,1
        INC   BL
        CMP   BL,4
        JB    GK1
        STC                    ; 没有找到 (抖动)
        RET
GK2:    MOV   BH,0             ; 行号
GK3:    SHR   AL,1
        JC    GK4
        INC   BH
        JMP   GK3
GK4:    MOV   AL,BH            ; 序号 = 行号*4 + 列号
        SHL   AL,1
        SHL   AL,1
        ADD   AL,BL
        MOV   BX,OFFSET KEYTAB
        XLAT
        CLC
        RET
GETKEY  ENDP

DISP    PROC  NEAR
        MOV   SI,OFFSET DBUF
        MOV   AH,0FEH
        MOV   BX,OFFSET SEGTAB
DP1:    MOV   AL,[SI]
        XLAT
        MOV   DX,PA8255
        OUT   DX,AL
        MOV   AL,AH
        MOV   DX,PB8255
        OUT   DX,AL
        MOV   CX,300
DP2:    LOOP  DP2
        MOV   AL,0FFH
        OUT   DX,AL
        INC   SI
        ROL   AH,1
        CMP   AH,0BFH
        JNE   DP1
        RET
DISP    ENDP

DBUF    DB    10H,10H,10H,10H,10H,10H
KEYTAB  DB    0FH,07H,08H,09H,04H,05H,06H,01H
        DB    02H,03H,00H,0EH,0AH,0BH,0CH,0DH
SEGTAB  DB    3FH,06H,5BH,4FH,66H,6DH,7DH,07H
        DB    7FH,6FH,77H,7CH,39H,5EH,79H,71H
        DB    40H
CODE    ENDS
        END   START
