; P1口流水灯: P1.0~P1.7 接 L1~L8
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
START:  LD    SP,#0200H        ; 堆栈
        LDB   AL,#01H          ; 显示码
LOOP:   STB   AL,IOPORT1       ; 送 P1 口
        LD    CX,#0FFFFH
        LCALL DELAY
        LD    CX,#0FFFFH
        LCALL DELAY
        SHLB  AL,#1            ; 左移一位
        JNE   LOOP
        LDB   AL,#01H          ; 移出后重新从 L1 开始
        SJMP  LOOP

; 延时: CX 为循环次数 (12MHz 时每次约 1us)
DELAY:  DEC   CX
        JNE   DELAY
        RET

        END
