// The coordinate engine's datum list and ellipsoids, written from the public sources
// named beside each row; positions are the datum numbers callers pass.
//
// Shifts are the three-parameter (dX, dY, dZ) shifts from each datum to WGS 84, in metres, as
// published in the WGS 84 definition report (NIMA TR8350.2, 3rd edition with amendments,
// Appendix B, together with its ellipsoid of Appendix A). The EPSG transformation named on each
// row carries the same values and was used to check them.
#include "platform/productline/coordinate_engine.h"

namespace velk::productline {

namespace {

// name, semi-major axis (m), inverse flattening, MGRS "AL" row lettering
constexpr EngineEllipsoid kEllipsoids[] = {
    {L"WGS 84", 6378137.0, 298.257223563, false},
    {L"WGS 72", 6378135.0, 298.26, false},
    {L"GRS 80", 6378137.0, 298.257222101, false},
    {L"Airy 1830", 6377563.396, 299.3249646, false},
    {L"Modified Airy", 6377340.189, 299.3249646, false},
    {L"Australian National", 6378160.0, 298.25, false},
    {L"Bessel 1841", 6377397.155, 299.1528128, true},
    {L"Bessel 1841 (Namibia)", 6377483.865, 299.1528128, true},
    {L"Clarke 1866", 6378206.4, 294.9786982, true},
    {L"Clarke 1880", 6378249.145, 293.465, true},
    {L"Everest (India 1830)", 6377276.345, 300.8017, false},
    {L"Everest (India 1956)", 6377301.243, 300.8017, false},
    {L"Everest (Pakistan)", 6377309.613, 300.8017, false},
    {L"Everest (Sabah Sarawak)", 6377298.556, 300.8017, false},
    {L"Everest (W. Malaysia and Singapore 1948)", 6377304.063, 300.8017, false},
    {L"Helmert 1906", 6378200.0, 298.3, false},
    {L"Hough 1960", 6378270.0, 297.0, false},
    {L"Indonesian 1974", 6378160.0, 298.247, false},
    {L"International 1924", 6378388.0, 297.0, false},
    {L"Krassovsky 1940", 6378245.0, 298.3, false},
    {L"Modified Fischer 1960", 6378155.0, 298.3, false},
    {L"South American 1969", 6378160.0, 298.25, false},
};

constexpr int kWgs84 = 0;
constexpr int kWgs72 = 1;
constexpr int kGrs80 = 2;
constexpr int kAiry = 3;
constexpr int kModairy = 4;
constexpr int kAusnat = 5;
constexpr int kBessel = 6;
constexpr int kBesselnam = 7;
constexpr int kClarke66 = 8;
constexpr int kClarke80 = 9;
constexpr int kEverest30 = 10;
constexpr int kEverest56 = 11;
constexpr int kEverestpk = 12;
constexpr int kEverestss = 13;
constexpr int kEverest48 = 14;
constexpr int kHelmert = 15;
constexpr int kHough = 16;
constexpr int kIndonesian = 17;
constexpr int kIntl = 18;
constexpr int kKrass = 19;
constexpr int kModfischer = 20;
constexpr int kSa69 = 21;

// name, ellipsoid, dX, dY, dZ
constexpr EngineDatum kDatums[] = {
    // 0: defining datum
    {L"WGS 84", kWgs84, 0.0, 0.0, 0.0},
    // 1: EPSG transformation 1237 WGS 72 to WGS 84 (1) (DMA1)
    {L"WGS 72", kWgs72, 0.0, 0.0, 4.5},
    // 2: EPSG transformation 1100 Adindan to WGS 84 (1) (DMA-Eth Sud)
    {L"Adindan, Mean Solution (Ethiopia, Sudan)", kClarke80, -166.0, -15.0, 204.0},
    // 3: EPSG transformation 1101 Adindan to WGS 84 (2) (DMA-Bfa)
    {L"Adindan, Burkina Faso", kClarke80, -118.0, -14.0, 218.0},
    // 4: EPSG transformation 1102 Adindan to WGS 84 (3) (DMA-Cmr)
    {L"Adindan, Cameroon", kClarke80, -134.0, -2.0, 210.0},
    // 5: EPSG transformation 1103 Adindan to WGS 84 (4) (DMA-Eth)
    {L"Adindan, Ethiopia", kClarke80, -165.0, -11.0, 206.0},
    // 6: EPSG transformation 1104 Adindan to WGS 84 (5) (DMA-Mli)
    {L"Adindan, Mali", kClarke80, -123.0, -20.0, 220.0},
    // 7: EPSG transformation 1105 Adindan to WGS 84 (6) (DMA-Sen)
    {L"Adindan, Senegal", kClarke80, -128.0, -18.0, 224.0},
    // 8: EPSG transformation 1106 Adindan to WGS 84 (7) (DMA-Sud)
    {L"Adindan, Sudan", kClarke80, -161.0, -14.0, 205.0},
    // 9: EPSG transformation 1107 Afgooye to WGS 84 (1) (DMA-Som)
    {L"Afgooye, Somalia", kKrass, -43.0, -163.0, 45.0},
    // 10: EPSG transformation 1110 Ain el Abd to WGS 84 (1) (DMA-Bhr)
    {L"Ain el Abd 1970, Bahrain", kIntl, -150.0, -250.0, -1.0},
    // 11: EPSG transformation 1111 Ain el Abd to WGS 84 (2) (DMA-Sau)
    {L"Ain el Abd 1970, Saudi Arabia", kIntl, -143.0, -236.0, 7.0},
    // 12: EPSG transformation 15794 Cocos Islands 1965 to WGS 84 (1) (DMA-Cck)
    {L"Anna 1 Astro 1965, Cocos Islands", kAusnat, -491.0, -22.0, 435.0},
    // 13: EPSG transformation 15811 Antigua 1943 to WGS 84 (2) (DMA-Atg Ant)
    {L"Antigua Island Astro 1943, Antigua, Leeward Islands", kClarke80, -270.0, 13.0, 62.0},
    // 14: EPSG transformation 1113 Arc 1950 to WGS 84 (1) (DMA-mean)
    {L"Arc 1950, Mean Solution", kClarke80, -143.0, -90.0, -294.0},
    // 15: EPSG transformation 1114 Arc 1950 to WGS 84 (2) (DMA-Bwa)
    {L"Arc 1950, Botswana", kClarke80, -138.0, -105.0, -289.0},
    // 16: EPSG transformation 1115 Arc 1950 to WGS 84 (3) (DMA-Bdi)
    {L"Arc 1950, Burundi", kClarke80, -153.0, -5.0, -292.0},
    // 17: EPSG transformation 1116 Arc 1950 to WGS 84 (4) (DMA-Lso)
    {L"Arc 1950, Lesotho", kClarke80, -125.0, -108.0, -295.0},
    // 18: EPSG transformation 1117 Arc 1950 to WGS 84 (5) (DMA-Mwi)
    {L"Arc 1950, Malawi", kClarke80, -161.0, -73.0, -317.0},
    // 19: EPSG transformation 1118 Arc 1950 to WGS 84 (6) (DMA-Swz)
    {L"Arc 1950, Swaziland", kClarke80, -134.0, -105.0, -295.0},
    // 20: EPSG transformation 1119 Arc 1950 to WGS 84 (7) (DMA-Cod)
    {L"Arc 1950, Zaire", kClarke80, -169.0, -19.0, -278.0},
    // 21: EPSG transformation 1120 Arc 1950 to WGS 84 (8) (DMA-Zmb)
    {L"Arc 1950, Zambia", kClarke80, -147.0, -74.0, -283.0},
    // 22: EPSG transformation 1121 Arc 1950 to WGS 84 (9) (DMA-Zwe)
    {L"Arc 1950, Zimbabwe", kClarke80, -142.0, -96.0, -293.0},
    // 23: EPSG transformation 1122 Arc 1960 to WGS 84 (1) (DMA-Ken Tza)
    {L"Arc 1960, Mean Solution (Kenya, Tanzania)", kClarke80, -160.0, -6.0, -302.0},
    // 24: EPSG transformation 15797 Ascension Island 1958 to WGS 84 (1) (DMA-Shn Asc)
    {L"Ascension Island 1958, Ascension Island", kIntl, -205.0, 107.0, 53.0},
    // 25: EPSG transformation 15796 Iwo Jima 1945 to WGS 84 (1) (DMA-Jpn IwoJ)
    {L"Astro Beacon E 1945, Iwo Jima", kIntl, 145.0, 75.0, -272.0},
    // 26: EPSG transformation 15798 Astro DOS 71 to WGS 84 (1) (DMA-Shn Hel)
    {L"Astro DOS 71/4, St Helena Island", kIntl, -320.0, 550.0, -494.0},
    // 27: EPSG transformation 15795 Tern Island 1961 to WGS 84 (1) (DMA-Usa HI Tern)
    {L"Astro Tern Island (FRIG) 1961, Tern Island", kIntl, 114.0, -116.0, -333.0},
    // 28: EPSG transformation 15799 Marcus Island 1952 to WGS 84 (1) (DMA-Jpn Marcus)
    {L"Astronomical Station 1952, Marcus Island", kIntl, 124.0, -234.0, -25.0},
    // 29: EPSG transformation 1108 AGD66 to WGS 84 (1) (DMA-Aus)
    {L"Australian Geodetic 1966, Australia, Tasmania", kAusnat, -133.0, -48.0, 148.0},
    // 30: EPSG transformation 1109 AGD84 to WGS 84 (1) (DMA-Aus)
    {L"Australian Geodetic 1984, Australia, Tasmania", kAusnat, -134.0, -48.0, 149.0},
    // 31: EPSG transformation 15800 Ayabelle Lighthouse to WGS 84 (1) (DMA-Dji)
    {L"Ayabelle Lighthouse, Djibouti", kClarke80, -79.0, -129.0, 145.0},
    // 32: EPSG transformation 15801 Bellevue to WGS 84 (1) (DMA-Vut)
    {L"Bellevue (IGN), Efate and Erromango Islands", kIntl, -127.0, -769.0, 472.0},
    // 33: EPSG transformation 1124 Bermuda 1957 to WGS 84 (1) (DMA-Bmu)
    {L"Bermuda 1957, Bermuda", kClarke66, -73.0, 213.0, 296.0},
    // 34: EPSG transformation 1547 Bissau to WGS 84 (1) (DMA-Gnb)
    {L"Bissau, Guinea-Bissau", kIntl, -173.0, 253.0, 27.0},
    // 35: EPSG transformation 1125 Bogota 1975 to WGS 84 (1) (DMA-Col)
    {L"Bogota Observatory, Colombia", kIntl, 307.0, 304.0, -318.0},
    // 36: EPSG transformation 1126 Bukit Rimpah to WGS 84 (1) (DMA-Idn BBI)
    {L"Bukit Rimpah, Indonesia (Bangka and Belitung Islands)", kBessel, -384.0, 664.0, -48.0},
    // 37: EPSG transformation 15802 Camp Area Astro to WGS 84 (1) (DMA-Ata McMurdo)
    {L"Camp Area Astro, Antarctica (McMurdo Camp Area)", kIntl, -104.0, -129.0, 239.0},
    // 38: EPSG transformation 1127 Campo Inchauspe to WGS 84 (1) (DMA-Arg)
    {L"Campo Inchauspe, Argentina", kIntl, -148.0, 136.0, 90.0},
    // 39: EPSG transformation 15803 Phoenix Islands 1966 to WGS 84 (1) (DMA-Kir Phoenix)
    {L"Canton Astro 1966, Phoenix Islands", kIntl, 298.0, -304.0, -375.0},
    // 40: EPSG transformation 1128 Cape to WGS 84 (1) (DMA-Zaf)
    {L"Cape, South Africa", kClarke80, -136.0, -108.0, -292.0},
    // 41: EPSG transformation 15804 Cape Canaveral to WGS 84 (1) (DMA-Bha Usa-FL)
    {L"Cape Canaveral, Bahamas, Florida", kClarke66, -2.0, 151.0, 181.0},
    // 42: EPSG transformation 1130 Carthage to WGS 84 (1) (DMA-Tun)
    {L"Carthage, Tunisia", kClarke80, -263.0, 6.0, 431.0},
    // 43: EPSG transformation 1080 CI1971 to WGS 84 (1) (DMA-Nzl CI)
    {L"Chatham Island Astro 1971, New Zealand (Chatham Island)", kIntl, 175.0, -38.0, 113.0},
    // 44: EPSG transformation 1131 Chua to WGS 84 (1) (DMA-Pry)
    {L"Chua Astro, Paraguay", kIntl, -134.0, 229.0, -29.0},
    // 45: EPSG transformation 1132 Corrego Alegre 1970-72 to WGS 84 (1) (DMA-Bra)
    {L"Corrego Alegre, Brazil", kIntl, -206.0, 172.0, -6.0},
    // 46: EPSG transformation 1518 Dabola 1981 to WGS 84 (1) (IGN-Gin)
    {L"Dabola, Guinea", kClarke80, -83.0, 37.0, 124.0},
    // 47: EPSG transformation 15812 Deception Island to WGS 84 (1) (DMA-Ata Dec)
    {L"Deception Island, Deception Island, Antarctica", kClarke80, 260.0, 12.0, -147.0},
    // 48: EPSG transformation 8452 Batavia to WGS 84 (1) (DMA-Idn Sumatra)
    {L"Djakarta (Batavia), Indonesia (Sumatra)", kBessel, -377.0, 681.0, -50.0},
    // 49: EPSG transformation 15805 Solomon 1968 to WGS 84 (1) (DMA-Slb Gizo)
    {L"DOS 1968, New Georgia Islands (Gizo Island)", kIntl, 230.0, -199.0, -752.0},
    // 50: EPSG transformation 15806 Easter Island 1967 to WGS 84 (1) (DMA-Chl Easter)
    {L"Easter Island 1967, Easter Island", kIntl, 211.0, 147.0, 111.0},
    // 51: EPSG transformation 1133 ED50 to WGS 84 (1) (DMA-mean)
    {L"European 1950, Mean Solution", kIntl, -87.0, -98.0, -121.0},
    // 52: EPSG transformation 1134 ED50 to WGS 84 (2) (DMA-cenEur)
    {L"European 1950, Western Europe", kIntl, -87.0, -96.0, -120.0},
    // 53: EPSG transformation 1136 ED50 to WGS 84 (4) (DMA-Cyp)
    {L"European 1950, Cyprus", kIntl, -104.0, -101.0, -140.0},
    // 54: EPSG transformation 1137 ED50 to WGS 84 (5) (DMA-Egy)
    {L"European 1950, Egypt", kIntl, -130.0, -117.0, -151.0},
    // 55: same values as EPSG transformation 1138
    {L"European 1950, England, Channel Islands, Scotland, Shetland Islands", kIntl, -86.0, -96.0,
     -120.0},
    // 56: EPSG transformation 1138 ED50 to WGS 84 (6) (DMA-Irl Gbr)
    {L"European 1950, England, Ireland, Scotland, Shetland Islands", kIntl, -86.0, -96.0, -120.0},
    // 57: EPSG transformation 1139 ED50 to WGS 84 (7) (DMA-Fin Nor)
    {L"European 1950, Finland, Norway", kIntl, -87.0, -95.0, -120.0},
    // 58: EPSG transformation 1140 ED50 to WGS 84 (8) (DMA-Grc)
    {L"European 1950, Greece", kIntl, -84.0, -95.0, -130.0},
    // 59: EPSG transformation 1141 ED50(ED77) to WGS 84 (2) (DMA-Irn)
    {L"European 1950, Iran", kIntl, -117.0, -132.0, -164.0},
    // 60: EPSG transformation 1142 ED50 to WGS 84 (10) (DMA-Ita Sard)
    {L"European 1950, Italy (Sardinia)", kIntl, -97.0, -103.0, -120.0},
    // 61: EPSG transformation 1143 ED50 to WGS 84 (11) (DMA-Ita Sic)
    {L"European 1950, Italy (Sicily)", kIntl, -97.0, -88.0, -135.0},
    // 62: EPSG transformation 1144 ED50 to WGS 84 (12) (DMA-Mlt)
    {L"European 1950, Malta", kIntl, -107.0, -88.0, -149.0},
    // 63: EPSG transformation 1135 ED50 to WGS 84 (3) (DMA-midEast)
    {L"European 1950, Middle East", kIntl, -103.0, -106.0, -141.0},
    // 64: EPSG transformation 1145 ED50 to WGS 84 (13) (DMA-Prt Esp)
    {L"European 1950, Portugal, Spain", kIntl, -84.0, -107.0, -120.0},
    // 65: EPSG transformation 1245 ED50 to WGS 84 (16) (DMA-Tun)
    {L"European 1950, Tunisia", kIntl, -112.0, -77.0, -145.0},
    // 66: EPSG transformation 1151 NZGD49 to WGS 84 (1) (DMA-Nzl)
    {L"Geodetic Datum 1949, New Zealand", kIntl, 84.0, -22.0, 209.0},
    // 67: EPSG transformation 1886 Azores Central 1948 to WGS 84 (1) (DMA-Prt Az C)
    {L"Graciosa Base SW 1948, Azores (Faial, Graciosa, Pico, Sao Jorge, Terceira)", kIntl, -104.0,
     167.0, -38.0},
    // 68: EPSG transformation 1070 Guam 1963 to WGS 84 (1) (DMA-Gum)
    {L"Guam 1963, Guam", kClarke66, -100.0, -248.0, 259.0},
    // 69: EPSG transformation 15807 Solomon 1968 to WGS 84 (2) (DMA-Slb Guad)
    {L"GUX 1 Astro, Guadalcanal Island", kIntl, 252.0, -209.0, -751.0},
    // 70: EPSG transformation 1246 Herat North to WGS 84 (1) (DMA-Afg)
    {L"Herat North, Afghanistan", kIntl, -333.0, -222.0, 114.0},
    // 71: EPSG transformation 1951 Hjorsey 1955 to WGS 84 (1) (DMA-Isl)
    {L"Hjorsey 1955, Iceland", kIntl, -73.0, 46.0, -86.0},
    // 72: EPSG transformation 15842 Hong Kong 1963(67) to WGS 84 (1) (UKHO-Hkg)
    {L"Hong Kong 1963, Hong Kong", kIntl, -156.0, -271.0, -189.0},
    // 73: EPSG transformation 1152 Hu Tzu Shan 1950 to WGS 84 (1) (DMA-Twn)
    {L"Hu-Tzu-Shan, Taiwan", kIntl, -637.0, -549.0, -203.0},
    // 74: EPSG transformation 1155 Kalianpur 1937 to WGS 84 (1) (DMA-Bgd)
    {L"Indian, Bangladesh", kEverest30, 282.0, 726.0, 254.0},
    // 75: EPSG transformation 1156 Kalianpur 1975 to WGS 84 (1) (DMA-Ind Npl)
    {L"Indian, India, Nepal", kEverest56, 295.0, 736.0, 257.0},
    // 76: EPSG transformation 1247 Kalianpur 1962 to WGS 84 (1) (DMA-Pak)
    {L"Indian, Pakistan", kEverestpk, 283.0, 682.0, 231.0},
    // 77: EPSG transformation 1153 Indian 1954 to WGS 84 (1) (DMA-Tha)
    {L"Indian 1954, Thailand", kEverest30, 217.0, 823.0, 299.0},
    // 78: EPSG transformation 1543 Indian 1960 to WGS 84 (3) (DMA-Vnm ConSon)
    {L"Indian 1960, Vietnam (Con Son Island)", kEverest30, 182.0, 915.0, 344.0},
    // 79: EPSG transformation 1542 Indian 1960 to WGS 84 (2) (DMA-Vnm 16N)
    {L"Indian 1960, Vietnam (near 16 deg N)", kEverest30, 198.0, 881.0, 317.0},
    // 80: EPSG transformation 1154 Indian 1975 to WGS 84 (1) (DMA-Tha)
    {L"Indian 1975, Thailand", kEverest30, 209.0, 818.0, 290.0},
    // 81: EPSG transformation 1248 ID74 to WGS 84 (1) (DMA-Idn)
    {L"Indonesian 1974, Indonesia", kIndonesian, -24.0, -15.0, 5.0},
    // 82: EPSG transformation 1956 TM75 to WGS 84 (3) (DMA-Ire)
    {L"Ireland 1965, Ireland", kModairy, 506.0, -122.0, 611.0},
    // 83: EPSG transformation 15813 South Georgia 1968 to WGS 84 (1) (DMA-Sgs Sgeorg)
    {L"ISTS 061 Astro 1968, South Georgia Island", kIntl, -794.0, 119.0, -298.0},
    // 84: EPSG transformation 15808 Diego Garcia 1969 to WGS 84 (1) (DMA-Iot Garcia)
    {L"ISTS 073 Astro 1969, Diego Garcia", kIntl, 208.0, -435.0, -229.0},
    // 85: EPSG transformation 15809 Johnston Island 1961 to WGS 84 (1) (DMA-Umi Johnston)
    {L"Johnston Island 1961, Johnston Island", kIntl, 189.0, -79.0, -202.0},
    // 86: EPSG transformation 1157 Kandawala to WGS 84 (1) (DMA-Lka)
    {L"Kandawala, Sri Lanka", kEverest30, -97.0, 787.0, 86.0},
    // 87: EPSG transformation 15850 IGN 1962 Kerguelen to WGS 84 (1) (IGN-Atf Kerg)
    {L"Kerguelen Island 1949, Kerguelen Island", kIntl, 145.0, -187.0, 103.0},
    // 88: EPSG transformation 1158 Kertau 1968 to WGS 84 (1) (DMA-Mys Sgp)
    {L"Kertau 1948, West Malaysia, Singapore", kEverest48, -11.0, 851.0, 5.0},
    // 89: EPSG transformation 15810 Kusaie 1951 to WGS 84 (1) (DMA-Fsm Carol)
    {L"Kusaie Astro 1951, Caroline Islands", kIntl, 647.0, 1777.0, -1124.0},
    // 90: EPSG transformation 15814 SIGD61 to WGS 84 (1) (DMA-Cym Little Brac)
    {L"L.C. 5 Astro 1961, Cayman Brac Island", kClarke66, 42.0, 124.0, 147.0},
    // 91: EPSG transformation 1159 Leigon to WGS 84 (1) (DMA-Gha)
    {L"Leigon, Ghana", kClarke80, -130.0, 29.0, 364.0},
    // 92: EPSG transformation 1160 Liberia 1964 to WGS 84 (1) (DMA-Lbr)
    {L"Liberia 1964, Liberia", kClarke80, -90.0, 40.0, 88.0},
    // 93: EPSG transformation 1161 Luzon 1911 to WGS 84 (1) (DMA-Phl N)
    {L"Luzon, Philippines (excluding Mindanao)", kClarke66, -133.0, -77.0, -51.0},
    // 94: EPSG transformation 1162 Luzon 1911 to WGS 84 (2) (DMA-Phl Min)
    {L"Luzon, Philippines (Mindanao)", kClarke66, -133.0, -79.0, -72.0},
    // 95: EPSG transformation 1163 M'poraloko to WGS 84 (1) (DMA-Gab)
    {L"M'Poraloko, Gabon", kClarke80, -74.0, -130.0, 42.0},
    // 96: EPSG transformation 1164 Mahe 1971 to WGS 84 (1) (DMA-Syc)
    {L"Mahe 1971, Mahe Island", kClarke80, 41.0, -220.0, -134.0},
    // 97: EPSG transformation 1165 Massawa to WGS 84 (1) (DMA-Eth)
    {L"Massawa, Ethiopia (Eritrea)", kBessel, 639.0, 405.0, 60.0},
    // 98: EPSG transformation 1166 Merchich to WGS 84 (1) (DMA-Mar)
    {L"Merchich, Morocco", kClarke80, 31.0, 146.0, 47.0},
    // 99: EPSG transformation 15818 Midway 1961 to WGS 84 (2) (DMA-Umi Midway 2003)
    {L"Midway Astro 1961, Midway Islands", kIntl, 403.0, -81.0, 277.0},
    // 100: EPSG transformation 1167 Minna to WGS 84 (1) (DMA-Cmr)
    {L"Minna, Cameroon", kClarke80, -81.0, -84.0, 115.0},
    // 101: EPSG transformation 1168 Minna to WGS 84 (2) (DMA-Nga)
    {L"Minna, Nigeria", kClarke80, -92.0, -93.0, 122.0},
    // 102: EPSG transformation 1444 Montserrat 1958 to WGS 84 (1) (DOS-Msr)
    {L"Montserrat Island Astro 1958, Montserrat, Leeward Islands", kClarke80, 174.0, 359.0, 365.0},
    // 103: EPSG transformation 1189 Nahrwan 1967 to WGS 84 (1) (DMA-Omn Mas)
    {L"Nahrwan, Oman (Masirah Island)", kClarke80, -247.0, -148.0, 369.0},
    // 104: EPSG transformation 1190 Nahrwan 1967 to WGS 84 (2) (DMA-Sau)
    {L"Nahrwan, Saudi Arabia", kClarke80, -243.0, -192.0, 477.0},
    // 105: EPSG transformation 1191 Nahrwan 1967 to WGS 84 (3) (DMA-UAE)
    {L"Nahrwan, United Arab Emirates", kClarke80, -249.0, -156.0, 381.0},
    // 106: EPSG transformation 1192 Naparima 1972 to WGS 84 (1) (DMA-Tto)
    {L"Naparima BWI, Trinidad and Tobago", kIntl, -10.0, 375.0, 165.0},
    // 107: EPSG transformation 1173 NAD27 to WGS 84 (4) (DMA-Conus)
    {L"North American 1927, Mean Solution (CONUS)", kClarke66, -8.0, 160.0, 176.0},
    // 108: EPSG transformation 1174 NAD27 to WGS 84 (5) (DMA-ConusE)
    {L"North American 1927, Mean Solution (CONUS east of Mississippi River)", kClarke66, -9.0,
     161.0, 179.0},
    // 109: EPSG transformation 1175 NAD27 to WGS 84 (6) (DMA-ConusW)
    {L"North American 1927, Mean Solution (CONUS west of Mississippi River)", kClarke66, -8.0,
     159.0, 175.0},
    // 110: EPSG transformation 1172 NAD27 to WGS 84 (3) (DMA-Can)
    {L"North American 1927, Mean Solution (Canada)", kClarke66, -10.0, 158.0, 187.0},
    // 111: EPSG transformation 1170 NAD27 to WGS 84 (1) (DMA-Carib)
    {L"North American 1927, Mean Solution (Caribbean)", kClarke66, -3.0, 142.0, 183.0},
    // 112: EPSG transformation 1171 NAD27 to WGS 84 (2) (DMA-Cen Am)
    {L"North American 1927, Mean Solution (Central America)", kClarke66, 0.0, 125.0, 194.0},
    // 113: EPSG transformation 1176 NAD27 to WGS 84 (7) (DMA-USA AK)
    {L"North American 1927, Alaska (excluding Aleutian Islands)", kClarke66, -5.0, 135.0, 172.0},
    // 114: EPSG transformation 1249 NAD27 to WGS 84 (21) (DMA-AK AluE)
    {L"North American 1927, Aleutian Islands (east of 180 deg W)", kClarke66, -2.0, 152.0, 149.0},
    // 115: EPSG transformation 1250 NAD27 to WGS 84 (22) (DMA-AK AluW)
    {L"North American 1927, Aleutian Islands (west of 180 deg W)", kClarke66, 2.0, 204.0, 105.0},
    // 116: EPSG transformation 1177 NAD27 to WGS 84 (8) (DMA-Bha xSalv)
    {L"North American 1927, Bahamas (excluding San Salvador Island)", kClarke66, -4.0, 154.0,
     178.0},
    // 117: EPSG transformation 1178 NAD27 to WGS 84 (9) (DMA-Bha Salv)
    {L"North American 1927, Bahamas (San Salvador Island)", kClarke66, 1.0, 140.0, 165.0},
    // 118: EPSG transformation 1179 NAD27 to WGS 84 (10) (DMA-Can AB BC)
    {L"North American 1927, Canada (Alberta, British Columbia)", kClarke66, -7.0, 162.0, 188.0},
    // 119: EPSG transformation 1180 NAD27 to WGS 84 (11) (DMA-Can MN ON)
    {L"North American 1927, Canada (Manitoba, Ontario)", kClarke66, -9.0, 157.0, 184.0},
    // 120: EPSG transformation 1181 NAD27 to WGS 84 (12) (DMA-Can E)
    {L"North American 1927, Canada (New Brunswick, Newfoundland, Nova Scotia, Quebec)", kClarke66,
     -22.0, 160.0, 190.0},
    // 121: EPSG transformation 1182 NAD27 to WGS 84 (13) (DMA-Can NWT)
    {L"North American 1927, Canada (Northwest Territories, Saskatchewan)", kClarke66, 4.0, 159.0,
     188.0},
    // 122: EPSG transformation 1183 NAD27 to WGS 84 (14) (DMA-Can Yuk)
    {L"North American 1927, Canada (Yukon)", kClarke66, -7.0, 139.0, 181.0},
    // 123: EPSG transformation 1184 NAD27 to WGS 84 (15) (DMA-Pan)
    {L"North American 1927, Canal Zone", kClarke66, 0.0, 125.0, 201.0},
    // 124: EPSG transformation 1185 NAD27 to WGS 84 (16) (DMA-Cuba)
    {L"North American 1927, Cuba", kClarke66, -9.0, 152.0, 178.0},
    // 125: EPSG transformation 1186 NAD27 to WGS 84 (17) (DMA-Grl)
    {L"North American 1927, Greenland (Hayes Peninsula)", kClarke66, 11.0, 114.0, 195.0},
    // 126: EPSG transformation 1187 NAD27 to WGS 84 (18) (DMA-Mex)
    {L"North American 1927, Mexico", kClarke66, -12.0, 130.0, 190.0},
    // 127: EPSG transformation 1188 NAD83 to WGS 84 (1) (DMA-N Am)
    {L"North American 1983, Alaska, Canada, CONUS, Central America, Mexico", kGrs80, 0.0, 0.0, 0.0},
    // 128: EPSG transformation 1251 NAD83 to WGS 84 (2) (DMA-AK Alu)
    {L"North American 1983, Aleutian Islands", kGrs80, -2.0, 0.0, 4.0},
    // 129: EPSG transformation 1252 NAD83 to WGS 84 (3) (DMA-USA Hi)
    {L"North American 1983, Hawaii", kGrs80, 1.0, 1.0, -1.0},
    // 130: EPSG transformation 1253 Nord Sahara 1959 to WGS 84 (1) (DMA-Alg)
    {L"North Sahara 1959, Algeria", kClarke80, -186.0, -93.0, 310.0},
    // 131: EPSG transformation 1887 Azores Occidental 1939 to WGS 84 (1) (DMA-Prt Az W)
    {L"Observatorio Meteorologico 1939, Azores (Corvo and Flores Islands)", kIntl, -425.0, -169.0,
     81.0},
    // 132: EPSG transformation 1148 Egypt 1907 to WGS 84 (1) (DMA-Egy)
    {L"Old Egyptian 1907, Egypt", kHelmert, -130.0, 110.0, -13.0},
    // 133: EPSG transformation 15824 Old Hawaiian to WGS 84 (3) (DMA-Usa HI 1987)
    {L"Old Hawaiian, Mean Solution", kClarke66, 61.0, -285.0, -181.0},
    // 134: EPSG transformation 15825 Old Hawaiian to WGS 84 (4) (DMA-Usa HI Haw 1991)
    {L"Old Hawaiian, Hawaii", kClarke66, 89.0, -279.0, -183.0},
    // 135: EPSG transformation 15826 Old Hawaiian to WGS 84 (5) (DMA-Usa HI Kauai 1991)
    {L"Old Hawaiian, Kauai", kClarke66, 45.0, -290.0, -172.0},
    // 136: EPSG transformation 15827 Old Hawaiian to WGS 84 (6) (DMA-Usa HI Maui 1991)
    {L"Old Hawaiian, Maui", kClarke66, 65.0, -290.0, -190.0},
    // 137: EPSG transformation 15828 Old Hawaiian to WGS 84 (7) (DMA-Usa HI Oahu 1991)
    {L"Old Hawaiian, Oahu", kClarke66, 58.0, -283.0, -182.0},
    // 138: EPSG transformation 1256 Fahud to WGS 84 (1) (DMA-Omn)
    {L"Oman, Oman", kClarke80, -346.0, -1.0, 224.0},
    // 139: EPSG transformation 1195 OSGB36 to WGS 84 (1) (DMA-Gbr)
    {L"Ordnance Survey of Great Britain 1936, Mean Solution", kAiry, 375.0, -111.0, 431.0},
    // 140: EPSG transformation 1196 OSGB36 to WGS 84 (2) (DMA-Gbr Eng)
    {L"Ordnance Survey of Great Britain 1936, England", kAiry, 371.0, -112.0, 434.0},
    // 141: EPSG transformation 1197 OSGB36 to WGS 84 (3) (DMA-Gbr E&W)
    {L"Ordnance Survey of Great Britain 1936, England, Isle of Man, Wales", kAiry, 371.0, -111.0,
     434.0},
    // 142: EPSG transformation 1198 OSGB36 to WGS 84 (4) (DMA-Gbr Sco)
    {L"Ordnance Survey of Great Britain 1936, Scotland, Shetland Islands", kAiry, 384.0, -111.0,
     425.0},
    // 143: EPSG transformation 1199 OSGB36 to WGS 84 (5) (DMA-Gbr Wal)
    {L"Ordnance Survey of Great Britain 1936, Wales", kAiry, 370.0, -108.0, 434.0},
    // 144: EPSG transformation 15815 PN84 to WGS 84 (1) (DMA-Esp Canary)
    {L"Pico de las Nieves, Canary Islands", kIntl, -307.0, -92.0, 127.0},
    // 145: EPSG transformation 15819 Pitcairn 1967 to WGS 84 (1) (DMA-Pcn Pitcairn Isl)
    {L"Pitcairn Astro 1967, Pitcairn Island", kIntl, 185.0, 165.0, 42.0},
    // 146: EPSG transformation 1200 Pointe Noire to WGS 84 (1) (DMA-Cog)
    {L"Pointe Noire 1948, Congo", kClarke80, -148.0, 51.0, -291.0},
    // 147: EPSG transformation 1888 Porto Santo to WGS 84 (1) (DMA-Prt Mad)
    {L"Porto Santo 1936, Porto Santo, Madeira Islands", kIntl, -499.0, -249.0, 314.0},
    // 148: EPSG transformation 1201 PSAD56 to WGS 84 (1) (DMA-mean)
    {L"Provisional South American 1956, Mean Solution", kIntl, -288.0, 175.0, -376.0},
    // 149: EPSG transformation 1202 PSAD56 to WGS 84 (2) (DMA-Bol)
    {L"Provisional South American 1956, Bolivia", kIntl, -270.0, 188.0, -388.0},
    // 150: EPSG transformation 1203 PSAD56 to WGS 84 (3) (DMA-Chl N)
    {L"Provisional South American 1956, Chile (northern, near 19 deg S)", kIntl, -270.0, 183.0,
     -390.0},
    // 151: EPSG transformation 1204 PSAD56 to WGS 84 (4) (DMA-Chl S)
    {L"Provisional South American 1956, Chile (southern, near 43 deg S)", kIntl, -305.0, 243.0,
     -442.0},
    // 152: EPSG transformation 1205 PSAD56 to WGS 84 (5) (DMA-Col)
    {L"Provisional South American 1956, Colombia", kIntl, -282.0, 169.0, -371.0},
    // 153: EPSG transformation 1206 PSAD56 to WGS 84 (6) (DMA-Ecu)
    {L"Provisional South American 1956, Ecuador", kIntl, -278.0, 171.0, -367.0},
    // 154: EPSG transformation 1207 PSAD56 to WGS 84 (7) (DMA-Guy)
    {L"Provisional South American 1956, Guyana", kIntl, -298.0, 159.0, -369.0},
    // 155: EPSG transformation 1208 PSAD56 to WGS 84 (8) (DMA-Per)
    {L"Provisional South American 1956, Peru", kIntl, -279.0, 175.0, -379.0},
    // 156: EPSG transformation 1209 PSAD56 to WGS 84 (9) (DMA-Ven)
    {L"Provisional South American 1956, Venezuela", kIntl, -295.0, 173.0, -371.0},
    // 157: EPSG transformation 1254 Pulkovo 1942 to WGS 84 (1) (DMA-Rus)
    {L"Pulkovo 1942, Russia", kKrass, 28.0, -130.0, -95.0},
    // 158: EPSG transformation 1561 Qatar 1974 to WGS 84 (1) (DMA-Qat)
    {L"Qatar National, Qatar", kIntl, -128.0, -283.0, 22.0},
    // 159: EPSG transformation 1797 Qornoq 1927 to WGS 84 (1) (DMA-Grl S)
    {L"Qornoq, Greenland (south)", kIntl, 164.0, 138.0, -189.0},
    // 160: EPSG transformation 15751 Reunion 1947 to WGS 84 (2) (IGN-Reu 30m)
    {L"Reunion, Mascarene Islands", kIntl, 94.0, -948.0, -1262.0},
    // 161: EPSG transformation 1169 Monte Mario to WGS 84 (1) (DMA-Ita Sar)
    {L"Rome 1940, Italy (Sardinia)", kIntl, -225.0, -65.0, 9.0},
    // 162: EPSG transformation 15820 Santo 1965 to WGS 84 (1) (DMA-Vut)
    {L"Santo (DOS) 1965, Espirito Santo Island", kIntl, 170.0, 42.0, 84.0},
    // 163: EPSG transformation 1885 Azores Oriental 1940 to WGS 84 (1) (DMA-Prt Az E)
    {L"Sao Braz, Azores (Sao Miguel, Santa Maria Islands)", kIntl, -203.0, 141.0, 53.0},
    // 164: EPSG transformation 1225 Sapper Hill 1943 to WGS 84 (1) (DMA-Flk E)
    {L"Sapper Hill 1943, East Falkland Island", kIntl, -355.0, 21.0, 72.0},
    // 165: EPSG transformation 1226 Schwarzeck to WGS 84 (1) (DMA-Nam)
    {L"Schwarzeck, Namibia", kBesselnam, 616.0, 97.0, -251.0},
    // 166: EPSG transformation 1965 Selvagem Grande to WGS 84 (1) (DMA-Prt Sel)
    {L"Selvagem Grande 1938, Salvage Islands", kIntl, -289.0, -124.0, 60.0},
    // 167: EPSG transformation 1864 SAD69 to WGS 84 (1) (DMA-mean)
    {L"South American 1969, Mean Solution", kSa69, -57.0, 1.0, -41.0},
    // 168: EPSG transformation 1865 SAD69 to WGS 84 (2) (DMA-Arg)
    {L"South American 1969, Argentina", kSa69, -62.0, -1.0, -37.0},
    // 169: EPSG transformation 1866 SAD69 to WGS 84 (3) (DMA-Bol)
    {L"South American 1969, Bolivia", kSa69, -61.0, 2.0, -48.0},
    // 170: EPSG transformation 1867 SAD69 to WGS 84 (4) (DMA-Bra)
    {L"South American 1969, Brazil", kSa69, -60.0, -2.0, -41.0},
    // 171: EPSG transformation 1868 SAD69 to WGS 84 (5) (DMA-Chile)
    {L"South American 1969, Chile", kSa69, -75.0, -1.0, -44.0},
    // 172: EPSG transformation 1869 SAD69 to WGS 84 (6) (DMA-Col)
    {L"South American 1969, Colombia", kSa69, -44.0, 6.0, -36.0},
    // 173: EPSG transformation 1870 SAD69 to WGS 84 (7) (DMA-Ecu)
    {L"South American 1969, Ecuador", kSa69, -48.0, 3.0, -44.0},
    // 174: EPSG transformation 1871 SAD69 to WGS 84 (8) (DMA-Ecu Gal)
    {L"South American 1969, Ecuador (Baltra, Galapagos)", kSa69, -47.0, 26.0, -42.0},
    // 175: EPSG transformation 1872 SAD69 to WGS 84 (9) (DMA-Guy)
    {L"South American 1969, Guyana", kSa69, -53.0, 3.0, -47.0},
    // 176: EPSG transformation 1873 SAD69 to WGS 84 (10) (DMA-Pgy)
    {L"South American 1969, Paraguay", kSa69, -61.0, 2.0, -33.0},
    // 177: EPSG transformation 1874 SAD69 to WGS 84 (11) (DMA-Peru)
    {L"South American 1969, Peru", kSa69, -58.0, 0.0, -44.0},
    // 178: EPSG transformation 1875 SAD69 to WGS 84 (12) (DMA-Tto)
    {L"South American 1969, Trinidad and Tobago", kSa69, -45.0, 12.0, -33.0},
    // 179: EPSG transformation 1876 SAD69 to WGS 84 (13) (DMA-Ven)
    {L"South American 1969, Venezuela", kSa69, -45.0, 8.0, -33.0},
    // 180: value of the definition report
    {L"South Asia, Singapore", kModfischer, 7.0, -10.0, -26.0},
    // 181: EPSG transformation 1227 Tananarive to WGS 84 (1) (DMA-Mdg)
    {L"Tananarive Observatory 1925, Madagascar", kIntl, -189.0, -242.0, -91.0},
    // 182: EPSG transformation 1228 Timbalai 1948 to WGS 84 (1) (DMA-Borneo)
    {L"Timbalai 1948, Brunei, East Malaysia (Sabah, Sarawak)", kEverestss, -679.0, 669.0, -48.0},
    // 183: EPSG transformation 1230 Tokyo to WGS 84 (1) (DMA-Jpn Kor)
    {L"Tokyo, Mean Solution (Japan, South Korea, Okinawa)", kBessel, -148.0, 507.0, 685.0},
    // 184: EPSG transformation 1231 Tokyo to WGS 84 (2) (DMA-Jpn)
    {L"Tokyo, Japan", kBessel, -148.0, 507.0, 685.0},
    // 185: EPSG transformation 1233 Tokyo to WGS 84 (4) (DMA-Jpn Ok)
    {L"Tokyo, Okinawa", kBessel, -158.0, 507.0, 676.0},
    // 186: EPSG transformation 1232 Tokyo to WGS 84 (3) (DMA-Kor)
    {L"Tokyo, South Korea", kBessel, -146.0, 507.0, 687.0},
    // 187: EPSG transformation 15816 Tristan 1968 to WGS 84 (1) (DMA-Shn Tris)
    {L"Tristan Astro 1968, Tristan da Cunha", kIntl, -632.0, 438.0, -609.0},
    // 188: EPSG transformation 15897 Viti Levu 1912 to WGS 84 (1) (DMA-Fji)
    {L"Viti Levu 1916, Fiji (Viti Levu Island)", kClarke80, 51.0, 391.0, -36.0},
    // 189: EPSG transformation 1255 Nord Sahara 1959 to WGS 84 (2) (DMA-Dza N)
    {L"Voirol 1960, Algeria", kClarke80, -123.0, -206.0, 219.0},
    // 190: EPSG transformation 15823 Wake Island 1952 to WGS 84 (1) (DMA-Mhl Wake)
    {L"Wake Island Astro 1952, Wake Atoll", kIntl, 276.0, -57.0, 149.0},
    // 191: EPSG transformation 15822 Marshall Islands 1960 to WGS 84 (1) (DMA-Mhl 1960)
    {L"Wake-Eniwetok 1960, Marshall Islands", kHough, 102.0, 52.0, -38.0},
    // 192: EPSG transformation 1234 Yacare to WGS 84 (1) (DMA-Ury)
    {L"Yacare, Uruguay", kIntl, -155.0, 171.0, 37.0},
    // 193: EPSG transformation 1235 Zanderij to WGS 84 (1) (DMA-Sur)
    {L"Zanderij, Suriname", kIntl, -265.0, 120.0, -358.0},
    // 194: EPSG transformation 1577 American Samoa 1962 to WGS 84 (1) (NIMA-Asm)
    {L"American Samoa 1962, American Samoa Islands", kClarke66, -115.0, 118.0, 426.0},
    // 195: EPSG transformation 1284 Arc 1960 to WGS 84 (2) (NIMA-Ken)
    {L"Arc 1960, Kenya", kClarke80, -157.0, -2.0, -299.0},
    // 196: EPSG transformation 1285 Arc 1960 to WGS 84 (3) (NIMA-Tza)
    {L"Arc 1960, Tanzania", kClarke80, -175.0, -23.0, -303.0},
    // 197: value of the definition report
    {L"Co-ordinate System 1937 of Estonia, Estonia", kBessel, 374.0, 150.0, 588.0},
    // 198: EPSG transformation 15752 ED79 to WGS 84 (1) (NIMA-Eur)
    {L"European 1979, Mean Solution", kIntl, -86.0, -98.0, -119.0},
    // 199: EPSG transformation 15750 St. Kitts 1955 to WGS 84 (2) (NIMA-Kna)
    {L"Fort Thomas 1955, Nevis, St Kitts, Leeward Islands", kClarke80, -7.0, 215.0, 225.0},
    // 200: EPSG transformation 15713 Gan 1970 to WGS 84 (1) (NIMA-Mdv)
    {L"Gan 1970, Republic of Maldives", kIntl, -133.0, -321.0, 50.0},
    // 201: EPSG transformation 1897 Segara to WGS 84 (1) (NIMA-Idn Kal)
    {L"Gunung Segara, Indonesia (Kalimantan)", kBessel, -403.0, 684.0, 41.0},
    // 202: value of the definition report
    {L"Hermannskogel, Yugoslavia (former), Bosnia and Herzegovina, Croatia", kBessel, 682.0, -203.0,
     480.0},
    // 203: EPSG transformation 1558 Korean 1995 to WGS 84 (1) (NIMA-Kor)
    {L"Korean Geodetic System 1995, South Korea", kWgs84, 0.0, 0.0, 0.0},
};

}  // namespace

std::span<const EngineEllipsoid> CoordinateEngine::Ellipsoids() { return kEllipsoids; }
std::span<const EngineDatum> CoordinateEngine::Datums() { return kDatums; }

}  // namespace velk::productline
