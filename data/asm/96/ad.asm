; 片内 A/D: 可调电压接 ACH0, 结果高8位送 P1 口发光管
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
LOOP:   LDB   AL,#08H          ; 通道0, GO = 1: 立即启动转换
        STB   AL,AD_COMMAND
        NOP                    ; 等待忙标志置位
        NOP
WAITAD: JBS   AD_RESULT_LO,3,WAITAD  ; 忙标志 = 1 时等待
        LDB   AL,AD_RESULT_HI  ; 结果的高8位
        STB   AL,IOPORT1
        LD    CX,#5000
        LCALL DELAY
        SJMP  LOOP

; 延时: CX 为循环次数 (12MHz 时每次约 1us)
DELAY:  DEC   CX
        JNE   DELAY
        RET

        END
