#!/bin/sh
# Draws the tablet's key row, one picture per key with that key lit, at 1x
# (236 x 60) and 2x. The drawing is ImageMagick vector graphics (MVG) written
# out below; run from this folder after changing it: sh make-keyrow.sh
set -eu
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf

draw() { # key scale
    lit=$1
    scale=$2
    w=$((236 * scale))
    h=$((60 * scale))
    {
        echo "viewbox 0 0 $w $h"
        echo "affine $scale 0 0 $scale 0 0"
        # The tablet's edge.
        echo "fill '#23272e' stroke '#505864' stroke-width 1"
        echo "roundrectangle 0.5,0.5 235.5,59.5 11,11"
        # The pen rest line under the keys.
        echo "stroke '#3a404a' stroke-width 2 line 14,53 222,53"
        k=0
        while [ $k -lt 5 ]; do
            x=$((14 + k * 44))
            if [ $k -eq "$lit" ]; then
                echo "fill '#f0922b' stroke '#ffd9a3' stroke-width 2"
                echo "roundrectangle $((x - 2)).5,7.5 $((x + 35)).5,44.5 7,7"
                text='#2a1a08'
            else
                echo "fill '#3b414b' stroke '#5e6673' stroke-width 1"
                echo "roundrectangle $x.5,10.5 $((x + 33)).5,41.5 6,6"
                text='#aeb6c2'
            fi
            echo "fill '$text' stroke none font '$font' font-size 15 text-anchor middle"
            echo "text $((x + 17)),31 '$((k + 1))'"
            k=$((k + 1))
        done
    } >"keyrow-$lit.mvg.tmp"
    out=keyrow-$lit.png
    [ "$scale" -eq 1 ] || out=keyrow-$lit@${scale}x.png
    convert -size "${w}x${h}" -background none "mvg:keyrow-$lit.mvg.tmp" -strip "PNG32:$out"
    rm -f "keyrow-$lit.mvg.tmp"
}

for key in 0 1 2 3 4; do
    draw "$key" 1
    draw "$key" 2
done
