; ADC0809 转换: CS4 接 FF80H, 可调电压接 IN0, EOC 接 P3.3, 结果送 P1 口发光管
AD0809  EQU   0FF80H           ; IN0 通道地址

        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
LOOP:   MOV   DPTR,#AD0809
        MOVX  @DPTR,A          ; 写任意数: 锁存通道并启动转换
        NOP                    ; EOC 在启动后约 10us 才变低
        NOP
        NOP
        NOP
WAITL:  JB    P3.3,WAITL       ; 等待 EOC 变低 (转换开始)
WAITH:  JNB   P3.3,WAITH       ; 等待 EOC 变高 (转换结束)
        MOVX  A,@DPTR          ; 读转换结果
        MOV   P1,A             ; 二进制显示
        MOV   R7,#100
        LCALL DELAY
        SJMP  LOOP

DELAY:  MOV   R6,#250
DL1:    NOP
        NOP
        DJNZ  R6,DL1
        DJNZ  R7,DELAY
        RET

        END
