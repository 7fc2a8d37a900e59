; Hologram vertex shader.
; c0-c3: view x projection (transposed); c4.w = 1; c5.x = 0.5; c6: eye position.
vs.2.0

dcl_position v0
dcl_normal v1
dcl_texcoord0 v2

dp4 oPos.x, v0, c0      ; clip position
dp4 oPos.y, v0, c1
dp4 oPos.z, v0, c2
dp4 oPos.w, v0, c3

sub r2, c6, v0          ; vertex to eye
nrm r3, r2              ; V
dp3 r2.x, v1, r3        ; N.V
add r3.x, c4.w, r2.x    ; 1 + N.V
mul r2.x, r3.x, c5.x    ; s = (1 + N.V) / 2
mov oT1, r2.x
mov oT0, v2
