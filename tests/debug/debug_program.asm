; A 16 KB test cartridge for the debugger: a loop, nested calls, a memory
; write and a port write, each at a label of its own.
        org 4000h
        db "AB"
        dw start
        ds 12, 0

start:  di
        ld hl, 0C000h
        ld b, 4
fill:   ld (hl), b              ; C000h-C003h = 4, 3, 2, 1
        inc hl
loop:   djnz fill
after_fill:
        call outer
after_call:
        ld a, 42h
        ld (0C010h), a
after_store:
        ld a, 7
        out (2Eh), a            ; a port no device answers
after_out:
        ld a, (0C010h)
done:   jr done

outer:  call inner
outer_ret:
        ret

inner:  ld a, 99h
        ld (0C020h), a
        ret

        ds 8000h - $, 0FFh
