; 步进电机双四拍: PA0~PA3 -> A、B、C、D 相; K1 (PB0) = 1 正转, K2 (PB1) = 1 快速
PA8255  EQU   0FF28H
PB8255  EQU   0FF29H
CT8255  EQU   0FF2BH

CODE    SEGMENT
        ASSUME CS:CODE,DS:CODE
        ORG   2000H
START:  MOV   AX,CS
        MOV   DS,AX
        MOV   DX,CT8255
        MOV   AL,82H           ; A口输出, B口输入
        OUT   DX,AL
        MOV   BX,OFFSET PHASE
        MOV   SI,0             ; 相序指针 0~3
STEP:   MOV   AL,[BX+SI]
        MOV   DX,PA8255
        OUT   DX,AL            ; 输出一拍
        MOV   DX,PB8255
        IN    AL,DX
        MOV   AH,AL
        MOV   CX,6000          ; 慢速每拍约 20ms
        TEST  AH,02H
        JZ    SLOW
        MOV   CX,1500          ; 快速每拍约 5ms
SLOW:   LOOP  SLOW
        TEST  AH,01H
        JZ    BACK
        INC   SI               ; 正转
        JMP   SHORT WRAP
BACK:   DEC   SI               ; 反转
WRAP:   AND   SI,3
        JMP   STEP

PHASE   DB    03H,06H,0CH,09H  ; AB, BC, CD, DA
CODE    ENDS
        END   START
