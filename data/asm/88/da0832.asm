; DAC0832 三角波: CS5 接 FF90H, 单缓冲方式
DA0832  EQU   0FF90H

CODE    SEGMENT
        ASSUME CS:CODE
        ORG   2000H
START:  MOV   DX,DA0832
        MOV   AL,0
UP:     OUT   DX,AL            ; 上升段 00H -> FFH
        INC   AL
        CMP   AL,0FFH
        JNE   UP
DOWN:   OUT   DX,AL            ; 下降段 FFH -> 00H
        DEC   AL
        JNZ   DOWN
        JMP   UP
CODE    ENDS
        END   START
