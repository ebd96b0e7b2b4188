; A 16 KB test cartridge that measures its own speed as a program would: with
; interrupts off it counts the passes of a polling loop between two rises of
; the video processor's frame flag, for eight frames, and stores each count at
; C000h, low byte first. Then it stops on a HALT with interrupts off.
        org 4000h
        db "AB"
        dw start
        ds 12, 0

start:  di
        in a, (99h)             ; clears the flag
sync:   in a, (99h)             ; waits for the next rise
        and a
        jp p, sync
        ld ix, 0C000h
        ld b, 8
frame:  ld hl, 0                ; 10 cycles
loop:   inc hl                  ; 6
        in a, (99h)             ; 11
        and a                   ; 4
        jp p, loop              ; 10, and 4 wait cycles in all: 35 a pass
        ld (ix+0), l            ; 19
        ld (ix+1), h            ; 19
        inc ix                  ; 10
        inc ix                  ; 10
        djnz frame              ; 13, and 10 wait cycles in all: 91 between two passes
done:   halt
        jr done

        ds 8000h - $, 0FFh
