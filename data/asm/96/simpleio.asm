; 简单I/O: 74LS244 (CS1 接 FF90H) 读开关, 74LS273 (CS2 接 FF80H) 驱动发光管
; 80C196 的外部 I/O 与存储器统一编址, 用长变址寻址访问
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
LOOP:   LDB   AL,0FF90H[ZERO_REG]  ; 读 74LS244
        STB   AL,0FF80H[ZERO_REG]  ; 写 74LS273
        SJMP  LOOP

        END
