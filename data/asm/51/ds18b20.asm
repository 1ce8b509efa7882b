; DS18B20 测温: DQ 接 P1.0; 温度 (整数摄氏度) 显示在数码管右边两位 (8255 A口段码, B口位码)
DQ      EQU   90H              ; P1.0
PA8255  EQU   0FF28H
PB8255  EQU   0FF29H
CT8255  EQU   0FF2BH
DBUF    EQU   30H              ; 显示缓冲区 30H~35H
TEMPL   EQU   36H
TEMPH   EQU   37H

        ORG   0000H
        LJMP  MAIN

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   DPTR,#CT8255
        MOV   A,#80H
        MOVX  @DPTR,A
        MOV   R0,#DBUF
BLANK:  MOV   @R0,#11H         ; 空白
        INC   R0
        CJNE  R0,#DBUF+6,BLANK
        MOV   DBUF+3,#0CH      ; 第4位显示 "C"
LOOP:   LCALL RESET
        MOV   A,#0CCH          ; 跳过 ROM
        LCALL WRITE
        MOV   A,#44H           ; 启动温度转换
        LCALL WRITE
        MOV   R5,#160          ; 显示约 1 秒, 等待转换完成
WAITC:  LCALL DISP
        DJNZ  R5,WAITC
        LCALL RESET
        MOV   A,#0CCH
        LCALL WRITE
        MOV   A,#0BEH          ; 读暂存器
        LCALL WRITE
        LCALL READ
        MOV   TEMPL,A
        LCALL READ
        MOV   TEMPH,A
        MOV   A,TEMPL          ; 整数部分 = (TH:TL) >> 4
        SWAP  A
        ANL   A,#0FH
        MOV   R2,A
        MOV   A,TEMPH
        SWAP  A
        ANL   A,#0F0H
        ORL   A,R2
        MOV   B,#10            ; 拆成十位、个位
        DIV   AB
        MOV   DBUF+4,A
        MOV   DBUF+5,B
        SJMP  LOOP

; 复位脉冲: 拉低 480us 以上, 释放后等待存在脉冲
RESET:  CLR   DQ
        MOV   R6,#250          ; 500us
RP1:    DJNZ  R6,RP1
        SETB  DQ
        MOV   R6,#30           ; 60us 后采样
RP2:    DJNZ  R6,RP2
        MOV   C,DQ             ; C = 0 表示器件存在
        MOV   R6,#210          ; 等待存在脉冲结束, 释放后共 480us 以上
RP3:    DJNZ  R6,RP3
        RET

; 写一个字节 (低位先): 写0 拉低 60us, 写1 拉低 2us 后释放
WRITE:  MOV   R4,#8
WR1:    RRC   A
        CLR   DQ
        NOP
        NOP
        MOV   DQ,C
        MOV   R6,#30
WR2:    DJNZ  R6,WR2
        SETB  DQ
        DJNZ  R4,WR1
        RET

; 读一个字节 (低位先): 拉低 2us 后释放, 在 15us 内采样
READ:   MOV   R4,#8
RD1:    CLR   DQ
        NOP
        NOP
        SETB  DQ
        NOP
        NOP
        NOP
        NOP
        MOV   C,DQ
        RRC   A
        MOV   R6,#25
RD2:    DJNZ  R6,RD2
        DJNZ  R4,RD1
        RET

DISP:   MOV   R0,#DBUF
        MOV   R2,#0FEH
DISP1:  MOV   A,@R0
        MOV   DPTR,#SEGTAB
        MOVC  A,@A+DPTR
        MOV   DPTR,#PA8255
        MOVX  @DPTR,A
        MOV   A,R2
        MOV   DPTR,#PB8255
        MOVX  @DPTR,A
        MOV   R7,#1
        LCALL DELAY
        MOV   A,#0FFH
        MOVX  @DPTR,A
        INC   R0
        MOV   A,R2
        RL    A
        MOV   R2,A
        CJNE  R0,#DBUF+6,DISP1
        RET

DELAY:  MOV   R6,#250
DL1:    NOP
        NOP
        DJNZ  R6,DL1
        DJNZ  R7,DELAY
        RET

; 段码 0~F, "-" (10H), 空白 (11H)
SEGTAB: DB    3FH,06H,5BH,4FH,66H,6DH,7DH,07H
        DB    7FH,6FH,77H,7CH,39H,5EH,79H,71H
        DB    40H,00H

        END
