; DAC0832 控制直流电机: 开关 K1~K8 (8255 B口) 的值送 0832 (CS5 接 FF90H), AOUT -> DJ
DA0832  EQU   0FF90H
PB8255  EQU   0FF29H
CT8255  EQU   0FF2BH

CODE    SEGMENT
        ASSUME CS:CODE
        ORG   2000H
START:  MOV   DX,CT8255
        MOV   AL,82H           ; B口输入
        OUT   DX,AL
AGAIN:  MOV   DX,PB8255
        IN    AL,DX            ; 开关值 = 速度
        MOV   DX,DA0832
        OUT   DX,AL            ; 转换为电压驱动电机
        MOV   CX,1000
DL1:    LOOP  DL1
        JMP   AGAIN
CODE    ENDS
        END   START
