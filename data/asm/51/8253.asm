; 8253 级联分频: CLK0 = 1MHz, 计数器0 方式3 /1000 -> 1kHz, 计数器1 方式3 /1000 -> 1Hz 驱动 L1
; 8253 片选 CS3 接 FF90H
CNT0    EQU   0FF90H
CNT1    EQU   0FF91H
CTRL53  EQU   0FF93H

        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   DPTR,#CTRL53
        MOV   A,#36H           ; 计数器0, 先低后高, 方式3, 二进制
        MOVX  @DPTR,A
        MOV   DPTR,#CNT0
        MOV   A,#0E8H          ; 1000 = 03E8H, 低字节
        MOVX  @DPTR,A
        MOV   A,#03H           ; 高字节
        MOVX  @DPTR,A
        MOV   DPTR,#CTRL53
        MOV   A,#76H           ; 计数器1, 先低后高, 方式3
        MOVX  @DPTR,A
        MOV   DPTR,#CNT1
        MOV   A,#0E8H
        MOVX  @DPTR,A
        MOV   A,#03H
        MOVX  @DPTR,A
WAIT:   SJMP  WAIT             ; 8253 自行分频, CPU 无事可做

        END
