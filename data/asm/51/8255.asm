; 8255 方式0: B口接开关 K1~K8 (输入), A口接发光管 L1~L8 (输出)
; 8255 固定译码: A口 FF28H, B口 FF29H, C口 FF2AH, 控制口 FF2BH
PA8255  EQU   0FF28H
PB8255  EQU   0FF29H
CT8255  EQU   0FF2BH

        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   DPTR,#CT8255
        MOV   A,#82H           ; A口方式0输出, B口方式0输入, C口输出
        MOVX  @DPTR,A
LOOP:   MOV   DPTR,#PB8255
        MOVX  A,@DPTR          ; 读开关
        MOV   DPTR,#PA8255
        MOVX  @DPTR,A          ; 送发光管
        SJMP  LOOP

        END
