; 外部中断 EXTINT (P2.2) 计数: 单脉冲 PL -> EINT, 次数送 P1 口显示
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

COUNT        EQU   30H:BYTE    ; 中断次数

        CSEG  AT 200EH         ; INT07 (EXTINT) 中断向量
        DCW   EXTISR

        CSEG  AT 2080H
START:  LD    SP,#0200H
        CLRB  COUNT
        STB   COUNT,IOPORT1
        LDB   AL,#80H          ; INT_MASK.7: 允许外部中断
        STB   AL,INT_MASK
        EI
WAIT:   SJMP  WAIT

EXTISR: PUSHF                  ; 保存 PSW 和 INT_MASK
        INCB  COUNT
        STB   COUNT,IOPORT1
        POPF
        RET

        END
