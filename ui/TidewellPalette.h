#pragma once
#include "toolkit/Colour.h"

// The fixed light-blue look: it does not follow the Windows colour scheme.
struct TidewellPalette {
    // The toolkit's five 3-D colours.
    Colour face = Rgb(213, 229, 255);
    Colour shadow = Rgb(132, 166, 220);
    Colour highlight = Rgb(255, 255, 255);
    Colour darkShadow = Rgb(30, 69, 124);
    Colour light = Rgb(234, 251, 255);

    // The Office 2003 look's own colours.
    Colour barGradientDark = Rgb(159, 191, 240);
    Colour barGradientLight = Rgb(227, 237, 255);
    Colour toolBarGradientDark = Rgb(134, 173, 231);
    Colour toolBarGradientVertDark = ScaleColour(Rgb(134, 173, 231), 98);
    Colour toolBarBottomLine = Rgb(30, 69, 124);
    Colour captionBarGradientDark = Rgb(92, 138, 209);
    Colour menuRarelyUsed = Rgb(208, 218, 234);
    Colour highlightGradientLight = Rgb(252, 230, 186);
    Colour highlightChecked = Rgb(248, 230, 213);
    Colour highlightGradientDark = Rgb(250, 199, 97);
    Colour highlightDnGradientDark = Rgb(229, 125, 70);
    Colour highlightDnGradientLight = ScaleColour(Rgb(229, 125, 70), 120);
    Colour menuBorder = Rgb(52, 67, 90);
    Colour separatorDark = MixColours(Rgb(30, 69, 124), Rgb(92, 138, 209), 1, 1, 1.0);
    // Light background of menus and tabs; its brushes and pen.
    Colour menuLight = Rgb(227, 237, 255);
};
