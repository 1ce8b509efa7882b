; 8253 发声: CLK0 = 1MHz, 计数器0 方式3 的初值 N = 1000000 / f, OUT0 -> SP+
; 循环播放音阶 do re mi fa sol la si do
CNT0    EQU   0FF90H
CTRL53  EQU   0FF93H

CODE    SEGMENT
        ASSUME CS:CODE,DS:CODE
        ORG   2000H
START:  MOV   AX,CS
        MOV   DS,AX
SCALE:  MOV   SI,OFFSET TONES
NOTE:   LODSW                  ; 取初值
        OR    AX,AX
        JZ    SCALE            ; 表结束, 重新开始
        MOV   BX,AX
        MOV   DX,CTRL53
        MOV   AL,36H           ; 计数器0, 方式3
        OUT   DX,AL
        MOV   DX,CNT0
        MOV   AL,BL
        OUT   DX,AL
        MOV   AL,BH
        OUT   DX,AL
        MOV   CX,2             ; 约 0.4 秒
BEAT:   PUSH  CX
        MOV   CX,0
BEAT1:  LOOP  BEAT1
        POP   CX
        LOOP  BEAT
        JMP   NOTE

; 262, 294, 330, 349, 392, 440, 494, 523 Hz
TONES   DW    3817,3401,3030,2865,2551,2273,2024,1912
        DW    0
CODE    ENDS
        END   START
