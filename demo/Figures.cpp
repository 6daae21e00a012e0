#include <cmath>

#include "Art.h"

namespace demo {

TPaint Shiori() {
    TPaint p(200, 400, Rgb(0, 0, 0), 0.0f);
    const TRgb hair = Rgb(70, 45, 35), skin = Rgb(252, 226, 205), dress = Rgb(120, 160, 210);
    const TRgb dressShade = Rgb(90, 125, 180), collar = Rgb(250, 250, 250);
    // Long hair behind the shoulders.
    p.Polygon({{42, 90}, {158, 90}, {172, 250}, {150, 262}, {50, 262}, {28, 250}}, hair);
    // Arms, then the dress over them.
    p.Polygon({{52, 178}, {66, 176}, {60, 300}, {46, 302}}, skin);
    p.Polygon({{134, 176}, {148, 178}, {154, 302}, {140, 300}}, skin);
    p.Ellipse(53, 306, 8, 9, skin);
    p.Ellipse(147, 306, 8, 9, skin);
    p.Rect(90, 140, 110, 175, skin);
    p.Polygon({{60, 172},
               {140, 172},
               {150, 220},
               {138, 230},
               {168, 392},
               {32, 392},
               {62, 230},
               {50, 220}},
              dress);
    p.Polygon({{100, 200}, {140, 200}, {168, 392}, {112, 392}}, dressShade, 0.5f);
    p.Polygon({{78, 172}, {122, 172}, {100, 196}}, collar);
    p.Polygon({{94, 180}, {106, 180}, {104, 196}, {96, 196}}, Rgb(210, 70, 80));
    // Legs below the hem.
    p.Rect(78, 390, 90, 400, skin);
    p.Rect(110, 390, 122, 400, skin);
    // Head, fringe, face.
    p.Ellipse(100, 100, 47, 54, skin);
    p.Polygon({{52, 92},
               {60, 56},
               {100, 38},
               {142, 56},
               {150, 92},
               {132, 74},
               {118, 84},
               {104, 70},
               {88, 84},
               {70, 74}},
              hair);
    p.Ellipse(100, 62, 52, 26, hair);
    p.Ellipse(150, 62, 12, 8, Rgb(210, 70, 80));  // a ribbon
    p.Ellipse(163, 66, 10, 7, Rgb(210, 70, 80));
    for (const float x : {82.0f, 118.0f}) {
        p.Ellipse(x, 108, 7, 10, Rgb(60, 40, 40));
        p.Ellipse(x, 110, 5, 7, Rgb(110, 80, 60));
        p.Ellipse(x - 2, 104, 2.2f, 2.6f, Rgb(255, 255, 255));
        p.Ellipse(x + (x < 100 ? -6.0f : 6.0f), 124, 9, 4, Rgb(250, 150, 150), 0.5f);
    }
    p.Polygon({{94, 133}, {106, 133}, {100, 137}}, Rgb(200, 90, 90));
    return p;
}

TPaint Kitsune() {
    // Pure magenta stands for transparent (the top-left pixel is the key), so the edges are hard
    // and no fox pixel may come out magenta.
    TPaint p(220, 200, Rgb(255, 0, 255));
    p.Hard = true;
    const TRgb fur = Rgb(230, 130, 50), furShade = Rgb(190, 95, 35), white = Rgb(250, 245, 235);
    p.Polygon({{120, 150}, {150, 120}, {200, 70}, {214, 96}, {190, 150}, {140, 178}}, fur);
    p.Polygon({{196, 78}, {208, 70}, {214, 96}, {204, 104}}, white);
    p.Ellipse(110, 150, 55, 32, fur);
    p.Polygon({{70, 160}, {90, 160}, {88, 196}, {74, 196}}, furShade);
    p.Polygon({{130, 160}, {150, 160}, {150, 196}, {136, 196}}, furShade);
    p.Polygon({{84, 166}, {100, 166}, {100, 198}, {86, 198}}, fur);
    p.Polygon({{140, 166}, {156, 166}, {158, 198}, {144, 198}}, fur);
    p.Ellipse(70, 140, 26, 30, white);
    p.Ellipse(62, 92, 40, 34, fur);
    p.Polygon({{30, 76}, {34, 22}, {62, 64}}, fur);
    p.Polygon({{66, 62}, {92, 18}, {98, 72}}, fur);
    p.Polygon({{38, 66}, {38, 36}, {54, 60}}, Rgb(60, 40, 35));
    p.Polygon({{76, 60}, {90, 32}, {92, 66}}, Rgb(60, 40, 35));
    p.Polygon({{22, 100}, {62, 96}, {60, 124}, {20, 110}}, white);
    p.Ellipse(20, 104, 6, 5, Rgb(40, 30, 30));
    p.Ellipse(50, 88, 5, 6, Rgb(40, 30, 30));
    p.Ellipse(80, 88, 5, 6, Rgb(40, 30, 30));
    return p;
}

TPaint Hotaru() {
    TPaint p(48, 48, Rgb(200, 255, 120), 0.0f);
    p.Glow(24, 24, 24, Rgb(190, 255, 110), 0.7f);
    p.Glow(24, 24, 10, Rgb(245, 255, 200), 0.9f);
    return p;
}

}  // namespace demo
