; PWM 调速: PWM (P2.5) -> DJ; K1、K2 (P1.0、P1.1) 选择占空比
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
        LDB   AL,#01H          ; IOC1.0 = 1: P2.5 作 PWM 输出
        STB   AL,IOC1
LOOP:   LDB   AL,#0FFH         ; P1 口写1, 作输入
        STB   AL,IOPORT1
        LDB   AL,IOPORT1
        ANDB  AL,#03H          ; K2K1 = 0~3
        LDBZE AX,AL
        LDB   BL,DUTY[AX]      ; 查占空比表
        STB   BL,PWM_CONTROL   ; 占空比 = 值/256
        SJMP  LOOP

DUTY:   DCB   40H,80H,0C0H,0FFH

        END
