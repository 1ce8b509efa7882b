; 8251 自发自收: TXD 接 RXD, TRXC = 115.2kHz (1.8432MHz/16), 方式字 4EH (x16, 8位, 无校验, 1停止位)
; 数据口 FFA0H, 控制/状态口 FFA1H; 收到的数据经 8255 A口显示
DAT51   EQU   0FFA0H
CTL51   EQU   0FFA1H
PA8255  EQU   0FF28H
CT8255  EQU   0FF2BH

CODE    SEGMENT
        ASSUME CS:CODE
        ORG   2000H
START:  MOV   DX,CT8255
        MOV   AL,80H
        OUT   DX,AL
        MOV   DX,CTL51
        MOV   AL,0             ; 先写 3 个 0, 保证 8251 处于等待命令状态
        OUT   DX,AL
        CALL  SHORTD
        OUT   DX,AL
        CALL  SHORTD
        OUT   DX,AL
        CALL  SHORTD
        MOV   AL,40H           ; 内部复位
        OUT   DX,AL
        CALL  SHORTD
        MOV   AL,4EH           ; 方式字
        OUT   DX,AL
        CALL  SHORTD
        MOV   AL,37H           ; 命令字: 允许收发, 清错误标志
        OUT   DX,AL
        MOV   BL,0             ; 要发送的数据
NEXT:   MOV   DX,CTL51
TXW:    IN    AL,DX
        TEST  AL,01H           ; TxRDY
        JZ    TXW
        MOV   DX,DAT51
        MOV   AL,BL
        OUT   DX,AL
        MOV   DX,CTL51
RXW:    IN    AL,DX
        TEST  AL,02H           ; RxRDY
        JZ    RXW
        MOV   DX,DAT51
        IN    AL,DX
        MOV   DX,PA8255
        OUT   DX,AL            ; 显示收到的数
        INC   BL
        MOV   CX,0             ; 约 0.3 秒
DL1:    LOOP  DL1
        JMP   NEXT

SHORTD  PROC  NEAR
        PUSH  CX
        MOV   CX,20
SD1:    LOOP  SD1
        POP   CX
        RET
SHORTD  ENDP
CODE    ENDS
        END   START
