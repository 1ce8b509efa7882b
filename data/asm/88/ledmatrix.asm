; 16x16 LED 点阵交替显示 "微" "机": A口 -> JLPA, B口 -> JLPB, C口低4位 -> JHPC (列号)
PA8255  EQU   0FF28H
PB8255  EQU   0FF29H
PC8255  EQU   0FF2AH
CT8255  EQU   0FF2BH

CODE    SEGMENT
        ASSUME CS:CODE,DS:CODE
        ORG   2000H
START:  MOV   AX,CS
        MOV   DS,AX
        MOV   DX,CT8255
        MOV   AL,80H
        OUT   DX,AL
CHARS:  MOV   BP,OFFSET WEI     ; 第一个字
SHOW:   MOV   DI,60            ; 扫描 60 遍, 约 1 秒
FRAME:  MOV   SI,BP
        MOV   BL,0             ; 列号
COL:    MOV   DX,PA8255        ; 消隐
        MOV   AL,0
        OUT   DX,AL
        MOV   DX,PB8255
        OUT   DX,AL
        LODSW                  ; AL = 行0~7, AH = 行8~15
        MOV   DX,PA8255
        OUT   DX,AL
        MOV   AL,AH
        MOV   DX,PB8255
        OUT   DX,AL
        MOV   AL,BL
        MOV   DX,PC8255
        OUT   DX,AL            ; 选中该列
        MOV   CX,300
D1:     LOOP  D1
        INC   BL
        CMP   BL,16
        JB    COL
        DEC   DI
        JNZ   FRAME
        ADD   BP,32            ; 下一个字
        CMP   BP,OFFSET FONTEND
        JB    SHOW
        JMP   CHARS

; 字模 (简化字形, 可用字模软件重新生成): 逐列, 每列一个字, 低字节为行0~7, 低位在上
WEI     DW    0010H,0088H,0FF6H,0001H,0024H,0FE4H,0024H,0FFEH
        DW    0024H,0808H,0F7FH,0408H,0BF8H,100FH,2008H,0000H
JI      DW    0204H,0184H,0FFFH,0044H,0084H,2000H,1FFEH,0002H
        DW    0002H,0FFEH,1000H,2000H,1000H,0E00H,0000H,0000H
FONTEND LABEL WORD
CODE    ENDS
        END   START
