; 字符液晶: A口 -> 数据 (JX12), C口 -> 控制 (JX14): PC0 = RS, PC1 = R/W, PC2 = E
; 第一行 "8088 LCD TEST", 第二行每秒加1的计数值 (4位十进制)
PA8255  EQU   0FF28H
PC8255  EQU   0FF2AH
CT8255  EQU   0FF2BH

CODE    SEGMENT
        ASSUME CS:CODE,DS:CODE
        ORG   2000H
START:  MOV   AX,CS
        MOV   DS,AX
        MOV   DX,CT8255
        MOV   AL,80H
        OUT   DX,AL
        MOV   CX,6000          ; 上电后等待液晶复位 (约 20ms)
PWR:    LOOP  PWR
        MOV   AL,38H           ; 8位, 两行
        CALL  WCMD
        MOV   AL,0CH           ; 开显示
        CALL  WCMD
        MOV   AL,06H           ; 地址自动加1
        CALL  WCMD
        MOV   AL,01H           ; 清屏
        CALL  WCMD
        MOV   AL,80H
        CALL  WCMD
        MOV   SI,OFFSET LINE1
        CALL  WSTR
        MOV   BP,0             ; 计数值
COUNT1: MOV   AL,0C0H          ; 第二行
        CALL  WCMD
        MOV   AX,BP            ; 转成 4 位十进制
        MOV   CX,4
        MOV   BX,10
        MOV   DI,OFFSET NUM+3
CONV:   XOR   DX,DX
        DIV   BX
        ADD   DL,'0'
        MOV   [DI],DL
        DEC   DI
        LOOP  CONV
        MOV   SI,OFFSET NUM
        CALL  WSTR
        MOV   CX,4             ; 约 1 秒
SEC:    PUSH  CX
        MOV   CX,0
SEC1:   LOOP  SEC1
        POP   CX
        LOOP  SEC
        INC   BP
        JMP   COUNT1

WSTR    PROC  NEAR             ; 写以 0 结束的字符串
WS1:    LODSB
        OR    AL,AL
        JZ    WS2
        CALL  WDAT
        JMP   WS1
WS2:    RET
WSTR    ENDP

WCMD    PROC  NEAR             ; 写命令 (RS = 0)
        MOV   AH,00H
        JMP   SHORT WLCD
WCMD    ENDP
WDAT    PROC  NEAR             ; 写数据 (RS = 1)
        MOV   AH,01H
WDAT    ENDP
WLCD    PROC  NEAR
        PUSH  CX
        PUSH  DX
        MOV   DX,PA8255
        OUT   DX,AL
        MOV   DX,PC8255
        MOV   AL,AH
        OUT   DX,AL            ; RS, R/W = 0, E = 0
        OR    AL,04H
        OUT   DX,AL            ; E = 1
        NOP
        MOV   AL,AH
        OUT   DX,AL            ; E = 0: 下降沿写入
        MOV   CX,600           ; 约 2ms, 代替查忙
WL1:    LOOP  WL1
        POP   DX
        POP   CX
        RET
WLCD    ENDP

LINE1   DB    '8088 LCD TEST',0
NUM     DB    '0000',0
CODE    ENDS
        END   START
