; DAC0832 单缓冲: CS5 接 FF90H; P1.0 = 1 输出锯齿波, P1.0 = 0 输出三角波
DA0832  EQU   0FF90H

        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   DPTR,#DA0832
        SETB  P1.0             ; 作输入用, 先写1
        CLR   A
SAW:    MOVX  @DPTR,A          ; 锯齿波: 0 -> FFH 后回到 0
        INC   A
        JNZ   SAW
        JB    P1.0,SAW         ; K1 拨上: 继续锯齿波
TRIUP:  MOVX  @DPTR,A          ; 三角波上升段
        INC   A
        CJNE  A,#0FFH,TRIUP
TRIDN:  MOVX  @DPTR,A          ; 下降段
        DJNZ  ACC,TRIDN
        SJMP  SAW

        END
