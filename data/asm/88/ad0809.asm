; ADC0809: CS4 接 FF80H, 可调电压接 IN0; 结果经 8255 A口显示
AD0809  EQU   0FF80H
PA8255  EQU   0FF28H
CT8255  EQU   0FF2BH

CODE    SEGMENT
        ASSUME CS:CODE
        ORG   2000H
START:  MOV   DX,CT8255
        MOV   AL,80H
        OUT   DX,AL
AGAIN:  MOV   DX,AD0809
        OUT   DX,AL            ; 启动 IN0 转换
        MOV   CX,200           ; 等待转换结束 (>100us)
WAITC:  LOOP  WAITC
        IN    AL,DX            ; 读结果
        MOV   DX,PA8255
        OUT   DX,AL
        MOV   CX,0             ; 约 0.3 秒更新一次
DL1:    LOOP  DL1
        JMP   AGAIN
CODE    ENDS
        END   START
