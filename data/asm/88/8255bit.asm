; 8255 C口按位置位/复位: PC0~PC7 接 L1~L8, 依次点亮再依次熄灭
CT8255  EQU   0FF2BH

CODE    SEGMENT
        ASSUME CS:CODE
        ORG   2000H
START:  MOV   DX,CT8255
        MOV   AL,80H           ; 方式字: 各口输出
        OUT   DX,AL
CYCLE:  MOV   AL,01H           ; PC0 置位字 = 位号*2 + 1
SETLP:  OUT   DX,AL
        CALL  DELAY
        ADD   AL,2             ; 下一位
        CMP   AL,11H
        JB    SETLP
        MOV   AL,00H           ; PC0 复位字 = 位号*2
CLRLP:  OUT   DX,AL
        CALL  DELAY
        ADD   AL,2
        CMP   AL,10H
        JB    CLRLP
        JMP   CYCLE

; 约 0.3 秒 (4.77MHz 8088)
DELAY   PROC  NEAR
        PUSH  CX
        MOV   CX,0
DL1:    LOOP  DL1
        POP   CX
        RET
DELAY   ENDP
CODE    ENDS
        END   START
