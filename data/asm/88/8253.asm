; 8253 级联分频: CLK0 = 1MHz (T2), 计数器0 方式3 /1000, OUT0 -> CLK1, 计数器1 方式3 /1000 -> L1 (1Hz)
; 端口: 计数器0 FF90H, 计数器1 FF91H, 控制口 FF93H
CNT0    EQU   0FF90H
CNT1    EQU   0FF91H
CTRL53  EQU   0FF93H

CODE    SEGMENT
        ASSUME CS:CODE
        ORG   2000H
START:  MOV   DX,CTRL53
        MOV   AL,36H           ; 计数器0, 先低后高, 方式3, 二进制
        OUT   DX,AL
        MOV   DX,CNT0
        MOV   AX,1000
        OUT   DX,AL            ; 低字节
        MOV   AL,AH
        OUT   DX,AL            ; 高字节
        MOV   DX,CTRL53
        MOV   AL,76H           ; 计数器1, 先低后高, 方式3
        OUT   DX,AL
        MOV   DX,CNT1
        MOV   AX,1000
        OUT   DX,AL
        MOV   AL,AH
        OUT   DX,AL
HERE:   JMP   HERE             ; 8253 自行工作
CODE    ENDS
        END   START
