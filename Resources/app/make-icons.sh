#!/bin/sh
# Draws the tray icons and the application icon as ImageMagick vector
# graphics (MVG, written out below) on a 16-unit grid, scaled per size.
#   Status             white tablet and pen, drawn on the highlighted tray background (connected)
#   StatusHighlighted  grey tablet and pen, drawn on the plain tray background (not connected)
#   brevola-driver     the application icon for the desktop menu
# Run from this folder after changing it: sh make-icons.sh
set -eu

tray() { # name colour scale
    name=$1
    colour=$2
    scale=$3
    size=$((16 * scale))
    {
        echo "viewbox 0 0 $size $size"
        echo "affine $scale 0 0 $scale 0 0"
        # The tablet, lower left, with its active area.
        echo "fill none stroke '$colour' stroke-width 1.2"
        echo "roundrectangle 1,5.6 12.4,14.8 1.8,1.8"
        echo "fill '$colour' stroke none"
        echo "rectangle 3.2,12.2 7.2,13.2"
        # The pen, its tip resting inside the tablet.
        echo "polygon 12.9,0.4 15.6,3.1 9.5,9.2 6.8,6.5"
        echo "polygon 6.3,7.0 9.0,9.7 5.4,10.6"
    } >"$name.mvg.tmp"
    out=$name.png
    [ "$scale" -eq 1 ] || out=$name@${scale}x.png
    convert -size "${size}x${size}" -background none "mvg:$name.mvg.tmp" -strip "PNG32:$out"
    rm -f "$name.mvg.tmp"
}

application() { # size
    size=$1
    scale=$(echo "scale=4; $size / 16" | bc)
    {
        echo "viewbox 0 0 $size $size"
        echo "affine $scale 0 0 $scale 0 0"
        # The tablet: dark body, lighter active area, the key row on its left.
        echo "fill '#23272e' stroke '#505864' stroke-width 0.25"
        echo "roundrectangle 0.6,3.4 15.4,14.6 1.4,1.4"
        echo "fill '#3b414b' stroke none"
        echo "roundrectangle 3.6,4.6 14.4,13.4 0.5,0.5"
        echo "fill '#5e6673' stroke none"
        echo "roundrectangle 1.4,4.8 2.8,6.2 0.3,0.3"
        echo "roundrectangle 1.4,6.8 2.8,8.2 0.3,0.3"
        echo "roundrectangle 1.4,8.8 2.8,10.2 0.3,0.3"
        echo "roundrectangle 1.4,10.8 2.8,12.2 0.3,0.3"
        # A stroke drawn on the active area.
        echo "fill none stroke '#f0922b' stroke-width 0.5 stroke-linecap round"
        echo "path 'M 5,11.8 C 6.5,9 8,12.5 9.6,9.6'"
        # The pen: orange body, white grip band, dark tip on the stroke's end.
        echo "fill '#f0922b' stroke '#8a4a0c' stroke-width 0.2"
        echo "polygon 13.4,0.6 15.4,2.6 10.6,7.4 8.6,5.4"
        echo "fill '#ffffff' stroke none"
        echo "polygon 11.5,2.5 12.3,3.3 11.5,4.1 10.7,3.3"
        echo "fill '#ffd9a3' stroke '#8a4a0c' stroke-width 0.2"
        echo "polygon 8.6,5.4 10.6,7.4 9.6,9.6 8.5,9.5 8.4,8.4"
    } >app.mvg.tmp
    convert -size "${size}x${size}" -background none mvg:app.mvg.tmp -strip "PNG32:brevola-driver-$size.png"
    rm -f app.mvg.tmp
}

tray Status '#ffffff' 1
tray Status '#ffffff' 2
tray StatusHighlighted '#8c8c8c' 1
tray StatusHighlighted '#8c8c8c' 2
application 48
application 128
application 256
