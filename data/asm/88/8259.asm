; 8259 单级中断: 单脉冲 -> IR3, 中断次数经 74LS273 (CS2 接 FFA0H) 显示在 L1~L8
; 8259 片选接 FF80H: 偶地址 FF80H, 奇地址 FF81H; IR3 的中断类型号 0BH, 向量在 0000:002CH
P8259A  EQU   0FF80H
P8259B  EQU   0FF81H
OUT273  EQU   0FFA0H

CODE    SEGMENT
        ASSUME CS:CODE,DS:CODE
        ORG   2000H
START:  CLI
        MOV   AX,CS
        MOV   DS,AX
        MOV   COUNT,0
        PUSH  DS
        XOR   AX,AX
        MOV   DS,AX            ; 中断向量表在 0 段
        MOV   WORD PTR DS:[0BH*4],OFFSET IRQ3
        MOV   WORD PTR DS:[0BH*4+2],CS
        POP   DS
        MOV   DX,P8259A
        MOV   AL,13H           ; ICW1: 边沿触发, 单片, 要 ICW4
        OUT   DX,AL
        MOV   DX,P8259B
        MOV   AL,08H           ; ICW2: 中断类型号 08H~0FH
        OUT   DX,AL
        MOV   AL,01H           ; ICW4: 8086 方式, 正常结束
        OUT   DX,AL
        MOV   AL,0F7H          ; OCW1: 只开放 IR3
        OUT   DX,AL
        MOV   DX,OUT273
        MOV   AL,0
        OUT   DX,AL            ; 发光管全灭
        STI
WAIT1:  JMP   WAIT1            ; 等待中断

IRQ3    PROC  FAR
        PUSH  AX
        PUSH  DX
        INC   COUNT
        MOV   AL,COUNT
        MOV   DX,OUT273
        OUT   DX,AL            ; 显示中断次数
        MOV   DX,P8259A
        MOV   AL,20H           ; OCW2: 一般中断结束
        OUT   DX,AL
        POP   DX
        POP   AX
        IRET
IRQ3    ENDP

COUNT   DB    0
CODE    ENDS
        END   START
