; 数码管动态显示 "8088-1": 8255 A口 (JX9) -> 段码 JLED, B口 (JX15) -> 位码 JS
PA8255  EQU   0FF28H
PB8255  EQU   0FF29H
CT8255  EQU   0FF2BH

CODE    SEGMENT
        ASSUME CS:CODE,DS:CODE
        ORG   2000H
START:  MOV   AX,CS
        MOV   DS,AX
        MOV   DX,CT8255
        MOV   AL,80H           ; 各口方式0输出
        OUT   DX,AL
FRAME:  MOV   SI,OFFSET DBUF
        MOV   AH,0FEH          ; 位码, 从最左一位开始
        MOV   BX,OFFSET SEGTAB
DIGIT:  MOV   AL,[SI]
        XLAT                   ; 查段码
        MOV   DX,PA8255
        OUT   DX,AL
        MOV   AL,AH
        MOV   DX,PB8255
        OUT   DX,AL            ; 点亮该位
        MOV   CX,300           ; 约 1ms
D1:     LOOP  D1
        MOV   AL,0FFH          ; 关显示
        OUT   DX,AL
        INC   SI
        ROL   AH,1
        CMP   AH,0BFH          ; 6 位扫完 (第7位的位码)
        JNE   DIGIT
        JMP   FRAME

DBUF    DB    8,0,8,8,10H,1    ; "8088-1"
SEGTAB  DB    3FH,06H,5BH,4FH,66H,6DH,7DH,07H
        DB    7FH,6FH,77H,7CH,39H,5EH,79H,71H
        DB    40H              ; "-"
CODE    ENDS
        END   START
