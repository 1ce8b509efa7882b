; 扬声器播放《两只老虎》: P1.3 -> SP+; T0 每半周期中断一次取反 P1.3 (12MHz)
; 乐曲表: 音调序号 (1~8, 对应中音 do ~ 高音 do), 节拍数 (x 150ms); 0 结束
RELH    EQU   30H              ; 当前音调的 T0 初值
RELL    EQU   31H

        ORG   0000H
        LJMP  MAIN
        ORG   000BH
        LJMP  T0ISR

        ORG   0100H
MAIN:   MOV   SP,#60H
        MOV   TMOD,#01H
        SETB  ET0
        SETB  EA
SONG:   MOV   DPTR,#MUSIC
NOTE:   CLR   A
        MOVC  A,@A+DPTR        ; 音调序号
        JZ    SONG             ; 乐曲结束, 从头再来
        INC   DPTR
        MOV   R2,A
        CLR   A
        MOVC  A,@A+DPTR        ; 节拍数
        INC   DPTR
        MOV   R3,A
        PUSH  DPH
        PUSH  DPL
        MOV   A,R2             ; 查初值表: 序号*2 - 2
        DEC   A
        RL    A
        MOV   R4,A
        MOV   DPTR,#TONES
        MOVC  A,@A+DPTR
        MOV   RELH,A
        MOV   A,R4
        INC   A
        MOVC  A,@A+DPTR
        MOV   RELL,A
        MOV   TH0,RELH
        MOV   TL0,RELL
        SETB  TR0              ; 发声
BEAT:   MOV   R7,#150
        LCALL DELAY
        DJNZ  R3,BEAT
        CLR   TR0              ; 音符之间短暂停顿
        MOV   R7,#20
        LCALL DELAY
        POP   DPL
        POP   DPH
        SJMP  NOTE

T0ISR:  MOV   TH0,RELH         ; 重装初值
        MOV   TL0,RELL
        CPL   P1.3
        RETI

DELAY:  MOV   R6,#250
DL1:    NOP
        NOP
        DJNZ  R6,DL1
        DJNZ  R7,DELAY
        RET

; 初值 = 65536 - 500000/f: do 262, re 294, mi 330, fa 349, so 392, la 440, si 494, do' 523 Hz
TONES:  DB    0F8H,8CH, 0F9H,5BH, 0FAH,15H, 0FAH,67H
        DB    0FBH,04H, 0FBH,90H, 0FCH,0CH, 0FCH,44H
MUSIC:  DB    1,2, 2,2, 3,2, 1,2,  1,2, 2,2, 3,2, 1,2
        DB    3,2, 4,2, 5,4,  3,2, 4,2, 5,4
        DB    5,1, 6,1, 5,1, 4,1, 3,2, 1,2
        DB    5,1, 6,1, 5,1, 4,1, 3,2, 1,2
        DB    1,2, 5,2, 1,4,  1,2, 5,2, 1,4
        DB    0

        END
