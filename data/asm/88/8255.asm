; 8255 方式0: B口读开关, 取反后从A口输出到发光管
; 8255 固定译码: A口 FF28H, B口 FF29H, C口 FF2AH, 控制口 FF2BH
PA8255  EQU   0FF28H
PB8255  EQU   0FF29H
CT8255  EQU   0FF2BH

CODE    SEGMENT
        ASSUME CS:CODE
        ORG   2000H
START:  MOV   DX,CT8255
        MOV   AL,82H           ; A口方式0输出, B口方式0输入
        OUT   DX,AL
AGAIN:  MOV   DX,PB8255
        IN    AL,DX
        NOT   AL               ; 开关拨下(0) 时对应灯亮
        MOV   DX,PA8255
        OUT   DX,AL
        JMP   AGAIN
CODE    ENDS
        END   START
