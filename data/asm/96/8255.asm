; 8255 方式0: B口读开关, A口驱动发光管 (A口 FF28H, B口 FF29H, 控制口 FF2BH)
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
        LDB   AL,#82H          ; A口输出, B口输入
        STB   AL,0FF2BH[ZERO_REG]
LOOP:   LDB   AL,0FF29H[ZERO_REG]  ; 读 B口
        STB   AL,0FF28H[ZERO_REG]  ; 写 A口
        SJMP  LOOP

        END
