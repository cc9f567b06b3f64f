#!/bin/sh
# Writes a short natural-looking clip for judging looks over footage rather than a test
# pattern: a sky graded to a warm horizon, a drifting sun, a rolling hill, a swaying face and
# film grain, at 30 fps. Usage: footage.sh OUT.mp4 [WxH] [FRAMES]
set -eu
out=$1; size=${2:-320x180}; frames=${3:-48}
# sky gradient, a rolling hill, a drifting sun, a face-like blob that sways, film grain.
sky_r='90+130*Y/H'; sky_g='140+70*Y/H'; sky_b='225-70*Y/H'
hill='gt(Y,H*(0.72+0.06*sin(X/W*7+T*0.3)))'
sun='lt(hypot(X-W*(0.78-0.01*T),Y-H*0.22),H*0.09)'
fx='(X-W*(0.36+0.05*sin(T*1.3)))/(W*0.1)'; fy='(Y-H*0.5)/(H*0.24)'
face="lt(hypot($fx,$fy),1)"
eye="lt(hypot(abs($fx)-0.38,$fy+0.2)*1,0.14)"
mouth="lt(hypot($fx*0.5,($fy-0.45)*2.2),0.22)"
ch() { # sky hill sun face eye mouth
  echo "if($eye,$5,if($mouth,$6,if($face,$4*(1-0.25*hypot($fx,$fy)),if($sun,$3,if($hill,$2*(0.8+0.2*sin(X/9)*cos(Y/7)),$1)))))"
}
r=$(ch "$sky_r" 70 255 232 40 150)
g=$(ch "$sky_g" 115 236 184 30 60)
b=$(ch "$sky_b" 45 160 150 30 60)
ffmpeg -v error -y -f lavfi -i "color=black:s=$size:r=30,format=rgb24" -frames:v "$frames" \
  -vf "geq=r='$r':g='$g':b='$b',noise=alls=10:allf=t" -pix_fmt yuv420p "$out"
