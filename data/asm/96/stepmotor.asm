; 步进电机单四拍: P1.0~P1.3 -> A、B、C、D 相
; 80C196 特殊功能寄存器与工作寄存器
ZERO_REG     EQU   00H:WORD
AD_COMMAND   EQU   02H:BYTE
AD_RESULT_LO EQU   02H:BYTE
AD_RESULT_HI EQU   03H:BYTE
INT_MASK     EQU   08H:BYTE
IOPORT1      EQU   0FH:BYTE
IOC1         EQU   16H:BYTE
PWM_CONTROL  EQU   17H:BYTE
SP           EQU   18H:WORD
AX           EQU   1CH:WORD
AL           EQU   1CH:BYTE
AH           EQU   1DH:BYTE
CX           EQU   1EH:WORD
BX           EQU   20H:WORD
BL           EQU   20H:BYTE
BH           EQU   21H:BYTE

        CSEG  AT 2080H
START:  LD    SP,#0200H
        LDB   AL,#01H          ; A 相
LOOP:   LDB   AH,AL
        ORB   AH,#0F0H         ; 高4位保持1
        STB   AH,IOPORT1
        LD    CX,#10000        ; 每拍约 10ms
        LCALL DELAY
        SHLB  AL,#1            ; 下一相
        CMPB  AL,#10H
        JNE   LOOP
        LDB   AL,#01H
        SJMP  LOOP

; 延时: CX 为循环次数 (12MHz 时每次约 1us)
DELAY:  DEC   CX
        JNE   DELAY
        RET

        END
