; 简单I/O扩展: 74LS244 (CS1 接 FF90H) 读开关 K1~K8, 74LS273 (CS2 接 FF80H) 驱动 L1~L8
IN244   EQU   0FF90H
OUT273  EQU   0FF80H

CODE    SEGMENT
        ASSUME CS:CODE
        ORG   2000H
START:  MOV   DX,IN244
        IN    AL,DX            ; 读开关
        MOV   DX,OUT273
        OUT   DX,AL            ; 送发光管
        JMP   START
CODE    ENDS
        END   START
