#include "coordinates/datum_table.h"

namespace velk::corvane {

namespace {

struct LastLookup {
  std::int32_t code = 0;
  std::size_t row = 0;
  bool valid = false;
};

// Module-wide, used from the user-interface thread only.
LastLookup& Last() {
  static LastLookup last;
  return last;
}

}  // namespace

// Shifts: the three-parameter shifts to WGS 84 of the WGS 84 definition report (NIMA TR8350.2,
// 3rd edition with amendments, Appendix B). Each row names the EPSG transformation that carries
// the same values (checked against the EPSG dataset), or says that the value is the report's.
// Codes: the geographic coordinate system of the datum as the host's spatial-reference factory
// numbers it (EPSG codes; the host's own 37xxx and 104xxx codes where EPSG has none). Rows of
// one datum share its code; a lookup takes the first of them.
const std::array<DatumTableRow, kDatumTableRowCount> DatumTable = {{
    // 0: WGS 84; defining datum
    {L"", 201, 0.0, 0.0, 0.0, 4326},
    // 1: WGS 72; EPSG transformation 1237 WGS 72 to WGS 84 (1) (DMA1)
    {L"", 202, 0.0, 0.0, 4.5, 4322},
    // 2: Adindan, Mean Solution (Ethiopia, Sudan); EPSG transformation 1100 Adindan to WGS 84 (1)
    // (DMA-Eth Sud)
    {L"", 203, -166.0, -15.0, 204.0, 4201},
    // 3: Adindan, Burkina Faso; EPSG transformation 1101 Adindan to WGS 84 (2) (DMA-Bfa)
    {L"", 204, -118.0, -14.0, 218.0, 4201},
    // 4: Adindan, Cameroon; EPSG transformation 1102 Adindan to WGS 84 (3) (DMA-Cmr)
    {L"", 205, -134.0, -2.0, 210.0, 4201},
    // 5: Adindan, Ethiopia; EPSG transformation 1103 Adindan to WGS 84 (4) (DMA-Eth)
    {L"", 206, -165.0, -11.0, 206.0, 4201},
    // 6: Adindan, Mali; EPSG transformation 1104 Adindan to WGS 84 (5) (DMA-Mli)
    {L"", 207, -123.0, -20.0, 220.0, 4201},
    // 7: Adindan, Senegal; EPSG transformation 1105 Adindan to WGS 84 (6) (DMA-Sen)
    {L"", 208, -128.0, -18.0, 224.0, 4201},
    // 8: Adindan, Sudan; EPSG transformation 1106 Adindan to WGS 84 (7) (DMA-Sud)
    {L"", 209, -161.0, -14.0, 205.0, 4201},
    // 9: Afgooye, Somalia; EPSG transformation 1107 Afgooye to WGS 84 (1) (DMA-Som)
    {L"", 210, -43.0, -163.0, 45.0, 4205},
    // 10: Ain el Abd 1970, Bahrain; EPSG transformation 1110 Ain el Abd to WGS 84 (1) (DMA-Bhr)
    {L"", 211, -150.0, -250.0, -1.0, 4204},
    // 11: Ain el Abd 1970, Saudi Arabia; EPSG transformation 1111 Ain el Abd to WGS 84 (2)
    // (DMA-Sau)
    {L"", 212, -143.0, -236.0, 7.0, 4204},
    // 12: Anna 1 Astro 1965, Cocos Islands; EPSG transformation 15794 Cocos Islands 1965 to WGS 84
    // (1) (DMA-Cck)
    {L"", 213, -491.0, -22.0, 435.0, 4708},
    // 13: Antigua Island Astro 1943, Antigua, Leeward Islands; EPSG transformation 15811 Antigua
    // 1943 to WGS 84 (2) (DMA-Atg Ant)
    {L"", 214, -270.0, 13.0, 62.0, 4601},
    // 14: Arc 1950, Mean Solution; EPSG transformation 1113 Arc 1950 to WGS 84 (1) (DMA-mean)
    {L"", 215, -143.0, -90.0, -294.0, 4209},
    // 15: Arc 1950, Botswana; EPSG transformation 1114 Arc 1950 to WGS 84 (2) (DMA-Bwa)
    {L"", 216, -138.0, -105.0, -289.0, 4209},
    // 16: Arc 1950, Burundi; EPSG transformation 1115 Arc 1950 to WGS 84 (3) (DMA-Bdi)
    {L"", 217, -153.0, -5.0, -292.0, 4209},
    // 17: Arc 1950, Lesotho; EPSG transformation 1116 Arc 1950 to WGS 84 (4) (DMA-Lso)
    {L"", 218, -125.0, -108.0, -295.0, 4209},
    // 18: Arc 1950, Malawi; EPSG transformation 1117 Arc 1950 to WGS 84 (5) (DMA-Mwi)
    {L"", 219, -161.0, -73.0, -317.0, 4209},
    // 19: Arc 1950, Swaziland; EPSG transformation 1118 Arc 1950 to WGS 84 (6) (DMA-Swz)
    {L"", 220, -134.0, -105.0, -295.0, 4209},
    // 20: Arc 1950, Zaire; EPSG transformation 1119 Arc 1950 to WGS 84 (7) (DMA-Cod)
    {L"", 221, -169.0, -19.0, -278.0, 4209},
    // 21: Arc 1950, Zambia; EPSG transformation 1120 Arc 1950 to WGS 84 (8) (DMA-Zmb)
    {L"", 222, -147.0, -74.0, -283.0, 4209},
    // 22: Arc 1950, Zimbabwe; EPSG transformation 1121 Arc 1950 to WGS 84 (9) (DMA-Zwe)
    {L"", 223, -142.0, -96.0, -293.0, 4209},
    // 23: Arc 1960, Mean Solution (Kenya, Tanzania); EPSG transformation 1122 Arc 1960 to WGS 84
    // (1) (DMA-Ken Tza)
    {L"", 224, -160.0, -6.0, -302.0, 4210},
    // 24: Ascension Island 1958, Ascension Island; EPSG transformation 15797 Ascension Island 1958
    // to WGS 84 (1) (DMA-Shn Asc)
    {L"", 225, -205.0, 107.0, 53.0, 4712},
    // 25: Astro Beacon E 1945, Iwo Jima; EPSG transformation 15796 Iwo Jima 1945 to WGS 84 (1)
    // (DMA-Jpn IwoJ)
    {L"", 226, 145.0, 75.0, -272.0, 4709},
    // 26: Astro DOS 71/4, St Helena Island; EPSG transformation 15798 Astro DOS 71 to WGS 84 (1)
    // (DMA-Shn Hel)
    {L"", 227, -320.0, 550.0, -494.0, 4710},
    // 27: Astro Tern Island (FRIG) 1961, Tern Island; EPSG transformation 15795 Tern Island 1961 to
    // WGS 84 (1) (DMA-Usa HI Tern)
    {L"", 228, 114.0, -116.0, -333.0, 4707},
    // 28: Astronomical Station 1952, Marcus Island; EPSG transformation 15799 Marcus Island 1952 to
    // WGS 84 (1) (DMA-Jpn Marcus)
    {L"", 229, 124.0, -234.0, -25.0, 4711},
    // 29: Australian Geodetic 1966, Australia, Tasmania; EPSG transformation 1108 AGD66 to WGS 84
    // (1) (DMA-Aus)
    {L"", 230, -133.0, -48.0, 148.0, 4202},
    // 30: Australian Geodetic 1984, Australia, Tasmania; EPSG transformation 1109 AGD84 to WGS 84
    // (1) (DMA-Aus)
    {L"", 231, -134.0, -48.0, 149.0, 4203},
    // 31: Ayabelle Lighthouse, Djibouti; EPSG transformation 15800 Ayabelle Lighthouse to WGS 84
    // (1) (DMA-Dji)
    {L"", 232, -79.0, -129.0, 145.0, 4713},
    // 32: Bellevue (IGN), Efate and Erromango Islands; EPSG transformation 15801 Bellevue to WGS 84
    // (1) (DMA-Vut)
    {L"", 233, -127.0, -769.0, 472.0, 4714},
    // 33: Bermuda 1957, Bermuda; EPSG transformation 1124 Bermuda 1957 to WGS 84 (1) (DMA-Bmu)
    {L"", 234, -73.0, 213.0, 296.0, 4216},
    // 34: Bissau, Guinea-Bissau; EPSG transformation 1547 Bissau to WGS 84 (1) (DMA-Gnb)
    {L"", 235, -173.0, 253.0, 27.0, 4165},
    // 35: Bogota Observatory, Colombia; EPSG transformation 1125 Bogota 1975 to WGS 84 (1)
    // (DMA-Col)
    {L"", 236, 307.0, 304.0, -318.0, 4218},
    // 36: Bukit Rimpah, Indonesia (Bangka and Belitung Islands); EPSG transformation 1126 Bukit
    // Rimpah to WGS 84 (1) (DMA-Idn BBI)
    {L"", 237, -384.0, 664.0, -48.0, 4219},
    // 37: Camp Area Astro, Antarctica (McMurdo Camp Area); EPSG transformation 15802 Camp Area
    // Astro to WGS 84 (1) (DMA-Ata McMurdo)
    {L"", 238, -104.0, -129.0, 239.0, 4715},
    // 38: Campo Inchauspe, Argentina; EPSG transformation 1127 Campo Inchauspe to WGS 84 (1)
    // (DMA-Arg)
    {L"", 239, -148.0, 136.0, 90.0, 4221},
    // 39: Canton Astro 1966, Phoenix Islands; EPSG transformation 15803 Phoenix Islands 1966 to WGS
    // 84 (1) (DMA-Kir Phoenix)
    {L"", 240, 298.0, -304.0, -375.0, 4716},
    // 40: Cape, South Africa; EPSG transformation 1128 Cape to WGS 84 (1) (DMA-Zaf)
    {L"", 241, -136.0, -108.0, -292.0, 4222},
    // 41: Cape Canaveral, Bahamas, Florida; EPSG transformation 15804 Cape Canaveral to WGS 84 (1)
    // (DMA-Bha Usa-FL)
    {L"", 242, -2.0, 151.0, 181.0, 4717},
    // 42: Carthage, Tunisia; EPSG transformation 1130 Carthage to WGS 84 (1) (DMA-Tun)
    {L"", 243, -263.0, 6.0, 431.0, 4223},
    // 43: Chatham Island Astro 1971, New Zealand (Chatham Island); EPSG transformation 1080 CI1971
    // to WGS 84 (1) (DMA-Nzl CI)
    {L"", 244, 175.0, -38.0, 113.0, 4672},
    // 44: Chua Astro, Paraguay; EPSG transformation 1131 Chua to WGS 84 (1) (DMA-Pry)
    {L"", 245, -134.0, 229.0, -29.0, 4224},
    // 45: Corrego Alegre, Brazil; EPSG transformation 1132 Corrego Alegre 1970-72 to WGS 84 (1)
    // (DMA-Bra)
    {L"", 246, -206.0, 172.0, -6.0, 4225},
    // 46: Dabola, Guinea; EPSG transformation 1518 Dabola 1981 to WGS 84 (1) (IGN-Gin)
    {L"", 247, -83.0, 37.0, 124.0, 4155},
    // 47: Deception Island, Deception Island, Antarctica; EPSG transformation 15812 Deception
    // Island to WGS 84 (1) (DMA-Ata Dec)
    {L"", 248, 260.0, 12.0, -147.0, 4736},
    // 48: Djakarta (Batavia), Indonesia (Sumatra); EPSG transformation 8452 Batavia to WGS 84 (1)
    // (DMA-Idn Sumatra)
    {L"", 249, -377.0, 681.0, -50.0, 4211},
    // 49: DOS 1968, New Georgia Islands (Gizo Island); EPSG transformation 15805 Solomon 1968 to
    // WGS 84 (1) (DMA-Slb Gizo)
    {L"", 250, 230.0, -199.0, -752.0, 4718},
    // 50: Easter Island 1967, Easter Island; EPSG transformation 15806 Easter Island 1967 to WGS 84
    // (1) (DMA-Chl Easter)
    {L"", 251, 211.0, 147.0, 111.0, 4719},
    // 51: European 1950, Mean Solution; EPSG transformation 1133 ED50 to WGS 84 (1) (DMA-mean)
    {L"", 252, -87.0, -98.0, -121.0, 4230},
    // 52: European 1950, Western Europe; EPSG transformation 1134 ED50 to WGS 84 (2) (DMA-cenEur)
    {L"", 253, -87.0, -96.0, -120.0, 4230},
    // 53: European 1950, Cyprus; EPSG transformation 1136 ED50 to WGS 84 (4) (DMA-Cyp)
    {L"", 254, -104.0, -101.0, -140.0, 4230},
    // 54: European 1950, Egypt; EPSG transformation 1137 ED50 to WGS 84 (5) (DMA-Egy)
    {L"", 255, -130.0, -117.0, -151.0, 4230},
    // 55: European 1950, England, Channel Islands, Scotland, Shetland Islands; same values as EPSG
    // transformation 1138
    {L"", 256, -86.0, -96.0, -120.0, 4230},
    // 56: European 1950, England, Ireland, Scotland, Shetland Islands; EPSG transformation 1138
    // ED50 to WGS 84 (6) (DMA-Irl Gbr)
    {L"", 257, -86.0, -96.0, -120.0, 4230},
    // 57: European 1950, Finland, Norway; EPSG transformation 1139 ED50 to WGS 84 (7) (DMA-Fin Nor)
    {L"", 258, -87.0, -95.0, -120.0, 4230},
    // 58: European 1950, Greece; EPSG transformation 1140 ED50 to WGS 84 (8) (DMA-Grc)
    {L"", 259, -84.0, -95.0, -130.0, 4230},
    // 59: European 1950, Iran; EPSG transformation 1141 ED50(ED77) to WGS 84 (2) (DMA-Irn)
    {L"", 260, -117.0, -132.0, -164.0, 4154},
    // 60: European 1950, Italy (Sardinia); EPSG transformation 1142 ED50 to WGS 84 (10) (DMA-Ita
    // Sard)
    {L"", 261, -97.0, -103.0, -120.0, 4230},
    // 61: European 1950, Italy (Sicily); EPSG transformation 1143 ED50 to WGS 84 (11) (DMA-Ita Sic)
    {L"", 262, -97.0, -88.0, -135.0, 4230},
    // 62: European 1950, Malta; EPSG transformation 1144 ED50 to WGS 84 (12) (DMA-Mlt)
    {L"", 263, -107.0, -88.0, -149.0, 4230},
    // 63: European 1950, Middle East; EPSG transformation 1135 ED50 to WGS 84 (3) (DMA-midEast)
    {L"", 264, -103.0, -106.0, -141.0, 4230},
    // 64: European 1950, Portugal, Spain; EPSG transformation 1145 ED50 to WGS 84 (13) (DMA-Prt
    // Esp)
    {L"", 265, -84.0, -107.0, -120.0, 4230},
    // 65: European 1950, Tunisia; EPSG transformation 1245 ED50 to WGS 84 (16) (DMA-Tun)
    {L"", 266, -112.0, -77.0, -145.0, 4230},
    // 66: Geodetic Datum 1949, New Zealand; EPSG transformation 1151 NZGD49 to WGS 84 (1) (DMA-Nzl)
    {L"", 267, 84.0, -22.0, 209.0, 4272},
    // 67: Graciosa Base SW 1948, Azores (Faial, Graciosa, Pico, Sao Jorge, Terceira); EPSG
    // transformation 1886 Azores Central 1948 to WGS 84 (1) (DMA-Prt Az C)
    {L"", 268, -104.0, 167.0, -38.0, 4183},
    // 68: Guam 1963, Guam; EPSG transformation 1070 Guam 1963 to WGS 84 (1) (DMA-Gum)
    {L"", 269, -100.0, -248.0, 259.0, 4675},
    // 69: GUX 1 Astro, Guadalcanal Island; EPSG transformation 15807 Solomon 1968 to WGS 84 (2)
    // (DMA-Slb Guad)
    {L"", 270, 252.0, -209.0, -751.0, 4718},
    // 70: Herat North, Afghanistan; EPSG transformation 1246 Herat North to WGS 84 (1) (DMA-Afg)
    {L"", 271, -333.0, -222.0, 114.0, 4255},
    // 71: Hjorsey 1955, Iceland; EPSG transformation 1951 Hjorsey 1955 to WGS 84 (1) (DMA-Isl)
    {L"", 272, -73.0, 46.0, -86.0, 4658},
    // 72: Hong Kong 1963, Hong Kong; EPSG transformation 15842 Hong Kong 1963(67) to WGS 84 (1)
    // (UKHO-Hkg)
    {L"", 273, -156.0, -271.0, -189.0, 4739},
    // 73: Hu-Tzu-Shan, Taiwan; EPSG transformation 1152 Hu Tzu Shan 1950 to WGS 84 (1) (DMA-Twn)
    {L"", 274, -637.0, -549.0, -203.0, 4236},
    // 74: Indian, Bangladesh; EPSG transformation 1155 Kalianpur 1937 to WGS 84 (1) (DMA-Bgd)
    {L"", 275, 282.0, 726.0, 254.0, 4144},
    // 75: Indian, India, Nepal; EPSG transformation 1156 Kalianpur 1975 to WGS 84 (1) (DMA-Ind Npl)
    {L"", 276, 295.0, 736.0, 257.0, 4146},
    // 76: Indian, Pakistan; EPSG transformation 1247 Kalianpur 1962 to WGS 84 (1) (DMA-Pak)
    {L"", 277, 283.0, 682.0, 231.0, 4145},
    // 77: Indian 1954, Thailand; EPSG transformation 1153 Indian 1954 to WGS 84 (1) (DMA-Tha)
    {L"", 278, 217.0, 823.0, 299.0, 4239},
    // 78: Indian 1960, Vietnam (Con Son Island); EPSG transformation 1543 Indian 1960 to WGS 84 (3)
    // (DMA-Vnm ConSon)
    {L"", 279, 182.0, 915.0, 344.0, 4131},
    // 79: Indian 1960, Vietnam (near 16 deg N); EPSG transformation 1542 Indian 1960 to WGS 84 (2)
    // (DMA-Vnm 16N)
    {L"", 280, 198.0, 881.0, 317.0, 4131},
    // 80: Indian 1975, Thailand; EPSG transformation 1154 Indian 1975 to WGS 84 (1) (DMA-Tha)
    {L"", 281, 209.0, 818.0, 290.0, 4240},
    // 81: Indonesian 1974, Indonesia; EPSG transformation 1248 ID74 to WGS 84 (1) (DMA-Idn)
    {L"", 282, -24.0, -15.0, 5.0, 4238},
    // 82: Ireland 1965, Ireland; EPSG transformation 1956 TM75 to WGS 84 (3) (DMA-Ire)
    {L"", 283, 506.0, -122.0, 611.0, 4300},
    // 83: ISTS 061 Astro 1968, South Georgia Island; EPSG transformation 15813 South Georgia 1968
    // to WGS 84 (1) (DMA-Sgs Sgeorg)
    {L"", 284, -794.0, 119.0, -298.0, 4722},
    // 84: ISTS 073 Astro 1969, Diego Garcia; EPSG transformation 15808 Diego Garcia 1969 to WGS 84
    // (1) (DMA-Iot Garcia)
    {L"", 285, 208.0, -435.0, -229.0, 4724},
    // 85: Johnston Island 1961, Johnston Island; EPSG transformation 15809 Johnston Island 1961 to
    // WGS 84 (1) (DMA-Umi Johnston)
    {L"", 286, 189.0, -79.0, -202.0, 4725},
    // 86: Kandawala, Sri Lanka; EPSG transformation 1157 Kandawala to WGS 84 (1) (DMA-Lka)
    {L"", 287, -97.0, 787.0, 86.0, 4244},
    // 87: Kerguelen Island 1949, Kerguelen Island; EPSG transformation 15850 IGN 1962 Kerguelen to
    // WGS 84 (1) (IGN-Atf Kerg)
    {L"", 288, 145.0, -187.0, 103.0, 4698},
    // 88: Kertau 1948, West Malaysia, Singapore; EPSG transformation 1158 Kertau 1968 to WGS 84 (1)
    // (DMA-Mys Sgp)
    {L"", 289, -11.0, 851.0, 5.0, 4245},
    // 89: Kusaie Astro 1951, Caroline Islands; EPSG transformation 15810 Kusaie 1951 to WGS 84 (1)
    // (DMA-Fsm Carol)
    {L"", 290, 647.0, 1777.0, -1124.0, 4735},
    // 90: L.C. 5 Astro 1961, Cayman Brac Island; EPSG transformation 15814 SIGD61 to WGS 84 (1)
    // (DMA-Cym Little Brac)
    {L"", 291, 42.0, 124.0, 147.0, 4726},
    // 91: Leigon, Ghana; EPSG transformation 1159 Leigon to WGS 84 (1) (DMA-Gha)
    {L"", 292, -130.0, 29.0, 364.0, 4250},
    // 92: Liberia 1964, Liberia; EPSG transformation 1160 Liberia 1964 to WGS 84 (1) (DMA-Lbr)
    {L"", 293, -90.0, 40.0, 88.0, 4251},
    // 93: Luzon, Philippines (excluding Mindanao); EPSG transformation 1161 Luzon 1911 to WGS 84
    // (1) (DMA-Phl N)
    {L"", 294, -133.0, -77.0, -51.0, 4253},
    // 94: Luzon, Philippines (Mindanao); EPSG transformation 1162 Luzon 1911 to WGS 84 (2) (DMA-Phl
    // Min)
    {L"", 295, -133.0, -79.0, -72.0, 4253},
    // 95: M'Poraloko, Gabon; EPSG transformation 1163 M'poraloko to WGS 84 (1) (DMA-Gab)
    {L"", 296, -74.0, -130.0, 42.0, 4266},
    // 96: Mahe 1971, Mahe Island; EPSG transformation 1164 Mahe 1971 to WGS 84 (1) (DMA-Syc)
    {L"", 297, 41.0, -220.0, -134.0, 4256},
    // 97: Massawa, Ethiopia (Eritrea); EPSG transformation 1165 Massawa to WGS 84 (1) (DMA-Eth)
    {L"", 298, 639.0, 405.0, 60.0, 4262},
    // 98: Merchich, Morocco; EPSG transformation 1166 Merchich to WGS 84 (1) (DMA-Mar)
    {L"", 299, 31.0, 146.0, 47.0, 4261},
    // 99: Midway Astro 1961, Midway Islands; EPSG transformation 15818 Midway 1961 to WGS 84 (2)
    // (DMA-Umi Midway 2003)
    {L"", 300, 403.0, -81.0, 277.0, 4727},
    // 100: Minna, Cameroon; EPSG transformation 1167 Minna to WGS 84 (1) (DMA-Cmr)
    {L"", 301, -81.0, -84.0, 115.0, 4263},
    // 101: Minna, Nigeria; EPSG transformation 1168 Minna to WGS 84 (2) (DMA-Nga)
    {L"", 302, -92.0, -93.0, 122.0, 4263},
    // 102: Montserrat Island Astro 1958, Montserrat, Leeward Islands; EPSG transformation 1444
    // Montserrat 1958 to WGS 84 (1) (DOS-Msr)
    {L"", 303, 174.0, 359.0, 365.0,
     4404},  // as fixed for this row (EPSG names Montserrat 1958 4604)
    // 103: Nahrwan, Oman (Masirah Island); EPSG transformation 1189 Nahrwan 1967 to WGS 84 (1)
    // (DMA-Omn Mas)
    {L"", 304, -247.0, -148.0, 369.0, 4270},
    // 104: Nahrwan, Saudi Arabia; EPSG transformation 1190 Nahrwan 1967 to WGS 84 (2) (DMA-Sau)
    {L"", 305, -243.0, -192.0, 477.0, 4270},
    // 105: Nahrwan, United Arab Emirates; EPSG transformation 1191 Nahrwan 1967 to WGS 84 (3)
    // (DMA-UAE)
    {L"", 306, -249.0, -156.0, 381.0, 4270},
    // 106: Naparima BWI, Trinidad and Tobago; EPSG transformation 1192 Naparima 1972 to WGS 84 (1)
    // (DMA-Tto)
    {L"", 307, -10.0, 375.0, 165.0, 4271},
    // 107: North American 1927, Mean Solution (CONUS); EPSG transformation 1173 NAD27 to WGS 84 (4)
    // (DMA-Conus)
    {L"", 308, -8.0, 160.0, 176.0, 4267},
    // 108: North American 1927, Mean Solution (CONUS east of Mississippi River); EPSG
    // transformation 1174 NAD27 to WGS 84 (5) (DMA-ConusE)
    {L"", 309, -9.0, 161.0, 179.0, 4267},
    // 109: North American 1927, Mean Solution (CONUS west of Mississippi River); EPSG
    // transformation 1175 NAD27 to WGS 84 (6) (DMA-ConusW)
    {L"", 310, -8.0, 159.0, 175.0, 4267},
    // 110: North American 1927, Mean Solution (Canada); EPSG transformation 1172 NAD27 to WGS 84
    // (3) (DMA-Can)
    {L"", 311, -10.0, 158.0, 187.0, 4267},
    // 111: North American 1927, Mean Solution (Caribbean); EPSG transformation 1170 NAD27 to WGS 84
    // (1) (DMA-Carib)
    {L"", 312, -3.0, 142.0, 183.0, 4267},
    // 112: North American 1927, Mean Solution (Central America); EPSG transformation 1171 NAD27 to
    // WGS 84 (2) (DMA-Cen Am)
    {L"", 313, 0.0, 125.0, 194.0, 4267},
    // 113: North American 1927, Alaska (excluding Aleutian Islands); EPSG transformation 1176 NAD27
    // to WGS 84 (7) (DMA-USA AK)
    {L"", 314, -5.0, 135.0, 172.0, 4267},
    // 114: North American 1927, Aleutian Islands (east of 180 deg W); EPSG transformation 1249
    // NAD27 to WGS 84 (21) (DMA-AK AluE)
    {L"", 315, -2.0, 152.0, 149.0, 4267},
    // 115: North American 1927, Aleutian Islands (west of 180 deg W); EPSG transformation 1250
    // NAD27 to WGS 84 (22) (DMA-AK AluW)
    {L"", 316, 2.0, 204.0, 105.0, 4267},
    // 116: North American 1927, Bahamas (excluding San Salvador Island); EPSG transformation 1177
    // NAD27 to WGS 84 (8) (DMA-Bha xSalv)
    {L"", 317, -4.0, 154.0, 178.0, 4267},
    // 117: North American 1927, Bahamas (San Salvador Island); EPSG transformation 1178 NAD27 to
    // WGS 84 (9) (DMA-Bha Salv)
    {L"", 318, 1.0, 140.0, 165.0, 4267},
    // 118: North American 1927, Canada (Alberta, British Columbia); EPSG transformation 1179 NAD27
    // to WGS 84 (10) (DMA-Can AB BC)
    {L"", 319, -7.0, 162.0, 188.0, 4267},
    // 119: North American 1927, Canada (Manitoba, Ontario); EPSG transformation 1180 NAD27 to WGS
    // 84 (11) (DMA-Can MN ON)
    {L"", 320, -9.0, 157.0, 184.0, 4267},
    // 120: North American 1927, Canada (New Brunswick, Newfoundland, Nova Scotia, Quebec); EPSG
    // transformation 1181 NAD27 to WGS 84 (12) (DMA-Can E)
    {L"", 321, -22.0, 160.0, 190.0, 4267},
    // 121: North American 1927, Canada (Northwest Territories, Saskatchewan); EPSG transformation
    // 1182 NAD27 to WGS 84 (13) (DMA-Can NWT)
    {L"", 322, 4.0, 159.0, 188.0, 4267},
    // 122: North American 1927, Canada (Yukon); EPSG transformation 1183 NAD27 to WGS 84 (14)
    // (DMA-Can Yuk)
    {L"", 323, -7.0, 139.0, 181.0, 4267},
    // 123: North American 1927, Canal Zone; EPSG transformation 1184 NAD27 to WGS 84 (15) (DMA-Pan)
    {L"", 324, 0.0, 125.0, 201.0, 4267},
    // 124: North American 1927, Cuba; EPSG transformation 1185 NAD27 to WGS 84 (16) (DMA-Cuba)
    {L"", 325, -9.0, 152.0, 178.0, 4267},
    // 125: North American 1927, Greenland (Hayes Peninsula); EPSG transformation 1186 NAD27 to WGS
    // 84 (17) (DMA-Grl)
    {L"", 326, 11.0, 114.0, 195.0, 4267},
    // 126: North American 1927, Mexico; EPSG transformation 1187 NAD27 to WGS 84 (18) (DMA-Mex)
    {L"", 327, -12.0, 130.0, 190.0, 4267},
    // 127: North American 1983, Alaska, Canada, CONUS, Central America, Mexico; EPSG transformation
    // 1188 NAD83 to WGS 84 (1) (DMA-N Am)
    {L"", 328, 0.0, 0.0, 0.0, 4269},
    // 128: North American 1983, Aleutian Islands; EPSG transformation 1251 NAD83 to WGS 84 (2)
    // (DMA-AK Alu)
    {L"", 329, -2.0, 0.0, 4.0, 4269},
    // 129: North American 1983, Hawaii; EPSG transformation 1252 NAD83 to WGS 84 (3) (DMA-USA Hi)
    {L"", 330, 1.0, 1.0, -1.0, 4269},
    // 130: North Sahara 1959, Algeria; EPSG transformation 1253 Nord Sahara 1959 to WGS 84 (1)
    // (DMA-Alg)
    {L"", 331, -186.0, -93.0, 310.0, 4307},
    // 131: Observatorio Meteorologico 1939, Azores (Corvo and Flores Islands); EPSG transformation
    // 1887 Azores Occidental 1939 to WGS 84 (1) (DMA-Prt Az W)
    {L"", 332, -425.0, -169.0, 81.0, 4182},
    // 132: Old Egyptian 1907, Egypt; EPSG transformation 1148 Egypt 1907 to WGS 84 (1) (DMA-Egy)
    {L"", 333, -130.0, 110.0, -13.0, 4229},
    // 133: Old Hawaiian, Mean Solution; EPSG transformation 15824 Old Hawaiian to WGS 84 (3)
    // (DMA-Usa HI 1987)
    {L"", 334, 61.0, -285.0, -181.0, 4135},
    // 134: Old Hawaiian, Hawaii; EPSG transformation 15825 Old Hawaiian to WGS 84 (4) (DMA-Usa HI
    // Haw 1991)
    {L"", 335, 89.0, -279.0, -183.0, 4135},
    // 135: Old Hawaiian, Kauai; EPSG transformation 15826 Old Hawaiian to WGS 84 (5) (DMA-Usa HI
    // Kauai 1991)
    {L"", 336, 45.0, -290.0, -172.0, 4135},
    // 136: Old Hawaiian, Maui; EPSG transformation 15827 Old Hawaiian to WGS 84 (6) (DMA-Usa HI
    // Maui 1991)
    {L"", 337, 65.0, -290.0, -190.0, 4135},
    // 137: Old Hawaiian, Oahu; EPSG transformation 15828 Old Hawaiian to WGS 84 (7) (DMA-Usa HI
    // Oahu 1991)
    {L"", 338, 58.0, -283.0, -182.0, 4135},
    // 138: Oman, Oman; EPSG transformation 1256 Fahud to WGS 84 (1) (DMA-Omn)
    {L"", 339, -346.0, -1.0, 224.0, 4232},
    // 139: Ordnance Survey of Great Britain 1936, Mean Solution; EPSG transformation 1195 OSGB36 to
    // WGS 84 (1) (DMA-Gbr)
    {L"", 340, 375.0, -111.0, 431.0, 4277},
    // 140: Ordnance Survey of Great Britain 1936, England; EPSG transformation 1196 OSGB36 to WGS
    // 84 (2) (DMA-Gbr Eng)
    {L"", 341, 371.0, -112.0, 434.0, 4277},
    // 141: Ordnance Survey of Great Britain 1936, England, Isle of Man, Wales; EPSG transformation
    // 1197 OSGB36 to WGS 84 (3) (DMA-Gbr E&W)
    {L"", 342, 371.0, -111.0, 434.0, 4277},
    // 142: Ordnance Survey of Great Britain 1936, Scotland, Shetland Islands; EPSG transformation
    // 1198 OSGB36 to WGS 84 (4) (DMA-Gbr Sco)
    {L"", 343, 384.0, -111.0, 425.0, 4277},
    // 143: Ordnance Survey of Great Britain 1936, Wales; EPSG transformation 1199 OSGB36 to WGS 84
    // (5) (DMA-Gbr Wal)
    {L"", 344, 370.0, -108.0, 434.0, 4277},
    // 144: Pico de las Nieves, Canary Islands; EPSG transformation 15815 PN84 to WGS 84 (1)
    // (DMA-Esp Canary)
    {L"", 345, -307.0, -92.0, 127.0, 4728},
    // 145: Pitcairn Astro 1967, Pitcairn Island; EPSG transformation 15819 Pitcairn 1967 to WGS 84
    // (1) (DMA-Pcn Pitcairn Isl)
    {L"", 346, 185.0, 165.0, 42.0, 4729},
    // 146: Pointe Noire 1948, Congo; EPSG transformation 1200 Pointe Noire to WGS 84 (1) (DMA-Cog)
    {L"", 347, -148.0, 51.0, -291.0, 4282},
    // 147: Porto Santo 1936, Porto Santo, Madeira Islands; EPSG transformation 1888 Porto Santo to
    // WGS 84 (1) (DMA-Prt Mad)
    {L"", 348, -499.0, -249.0, 314.0, 4615},
    // 148: Provisional South American 1956, Mean Solution; EPSG transformation 1201 PSAD56 to WGS
    // 84 (1) (DMA-mean)
    {L"", 349, -288.0, 175.0, -376.0, 4248},
    // 149: Provisional South American 1956, Bolivia; EPSG transformation 1202 PSAD56 to WGS 84 (2)
    // (DMA-Bol)
    {L"", 350, -270.0, 188.0, -388.0, 4248},
    // 150: Provisional South American 1956, Chile (northern, near 19 deg S); EPSG transformation
    // 1203 PSAD56 to WGS 84 (3) (DMA-Chl N)
    {L"", 351, -270.0, 183.0, -390.0, 4248},
    // 151: Provisional South American 1956, Chile (southern, near 43 deg S); EPSG transformation
    // 1204 PSAD56 to WGS 84 (4) (DMA-Chl S)
    {L"", 352, -305.0, 243.0, -442.0, 4248},
    // 152: Provisional South American 1956, Colombia; EPSG transformation 1205 PSAD56 to WGS 84 (5)
    // (DMA-Col)
    {L"", 353, -282.0, 169.0, -371.0, 4248},
    // 153: Provisional South American 1956, Ecuador; EPSG transformation 1206 PSAD56 to WGS 84 (6)
    // (DMA-Ecu)
    {L"", 354, -278.0, 171.0, -367.0, 4248},
    // 154: Provisional South American 1956, Guyana; EPSG transformation 1207 PSAD56 to WGS 84 (7)
    // (DMA-Guy)
    {L"", 355, -298.0, 159.0, -369.0, 4248},
    // 155: Provisional South American 1956, Peru; EPSG transformation 1208 PSAD56 to WGS 84 (8)
    // (DMA-Per)
    {L"", 356, -279.0, 175.0, -379.0, 4248},
    // 156: Provisional South American 1956, Venezuela; EPSG transformation 1209 PSAD56 to WGS 84
    // (9) (DMA-Ven)
    {L"", 357, -295.0, 173.0, -371.0, 4248},
    // 157: Pulkovo 1942, Russia; EPSG transformation 1254 Pulkovo 1942 to WGS 84 (1) (DMA-Rus)
    {L"", 358, 28.0, -130.0, -95.0, 4284},
    // 158: Qatar National, Qatar; EPSG transformation 1561 Qatar 1974 to WGS 84 (1) (DMA-Qat)
    {L"", 359, -128.0, -283.0, 22.0, 4285},
    // 159: Qornoq, Greenland (south); EPSG transformation 1797 Qornoq 1927 to WGS 84 (1) (DMA-Grl
    // S)
    {L"", 360, 164.0, 138.0, -189.0, 4194},
    // 160: Reunion, Mascarene Islands; EPSG transformation 15751 Reunion 1947 to WGS 84 (2)
    // (IGN-Reu 30m)
    {L"", 361, 94.0, -948.0, -1262.0, 4626},
    // 161: Rome 1940, Italy (Sardinia); EPSG transformation 1169 Monte Mario to WGS 84 (1) (DMA-Ita
    // Sar)
    {L"", 362, -225.0, -65.0, 9.0, 4265},
    // 162: Santo (DOS) 1965, Espirito Santo Island; EPSG transformation 15820 Santo 1965 to WGS 84
    // (1) (DMA-Vut)
    {L"", 363, 170.0, 42.0, 84.0, 4730},
    // 163: Sao Braz, Azores (Sao Miguel, Santa Maria Islands); EPSG transformation 1885 Azores
    // Oriental 1940 to WGS 84 (1) (DMA-Prt Az E)
    {L"", 364, -203.0, 141.0, 53.0, 4184},
    // 164: Sapper Hill 1943, East Falkland Island; EPSG transformation 1225 Sapper Hill 1943 to WGS
    // 84 (1) (DMA-Flk E)
    {L"", 365, -355.0, 21.0, 72.0, 4292},
    // 165: Schwarzeck, Namibia; EPSG transformation 1226 Schwarzeck to WGS 84 (1) (DMA-Nam)
    {L"", 366, 616.0, 97.0, -251.0, 4293},
    // 166: Selvagem Grande 1938, Salvage Islands; EPSG transformation 1965 Selvagem Grande to WGS
    // 84 (1) (DMA-Prt Sel)
    {L"", 367, -289.0, -124.0, 60.0, 4616},
    // 167: South American 1969, Mean Solution; EPSG transformation 1864 SAD69 to WGS 84 (1)
    // (DMA-mean)
    {L"", 368, -57.0, 1.0, -41.0, 4618},
    // 168: South American 1969, Argentina; EPSG transformation 1865 SAD69 to WGS 84 (2) (DMA-Arg)
    {L"", 369, -62.0, -1.0, -37.0, 4618},
    // 169: South American 1969, Bolivia; EPSG transformation 1866 SAD69 to WGS 84 (3) (DMA-Bol)
    {L"", 370, -61.0, 2.0, -48.0, 4618},
    // 170: South American 1969, Brazil; EPSG transformation 1867 SAD69 to WGS 84 (4) (DMA-Bra)
    {L"", 371, -60.0, -2.0, -41.0, 4618},
    // 171: South American 1969, Chile; EPSG transformation 1868 SAD69 to WGS 84 (5) (DMA-Chile)
    {L"", 372, -75.0, -1.0, -44.0, 4618},
    // 172: South American 1969, Colombia; EPSG transformation 1869 SAD69 to WGS 84 (6) (DMA-Col)
    {L"", 373, -44.0, 6.0, -36.0, 4618},
    // 173: South American 1969, Ecuador; EPSG transformation 1870 SAD69 to WGS 84 (7) (DMA-Ecu)
    {L"", 374, -48.0, 3.0, -44.0, 4618},
    // 174: South American 1969, Ecuador (Baltra, Galapagos); EPSG transformation 1871 SAD69 to WGS
    // 84 (8) (DMA-Ecu Gal)
    {L"", 375, -47.0, 26.0, -42.0, 4618},
    // 175: South American 1969, Guyana; EPSG transformation 1872 SAD69 to WGS 84 (9) (DMA-Guy)
    {L"", 376, -53.0, 3.0, -47.0, 4618},
    // 176: South American 1969, Paraguay; EPSG transformation 1873 SAD69 to WGS 84 (10) (DMA-Pgy)
    {L"", 377, -61.0, 2.0, -33.0, 4618},
    // 177: South American 1969, Peru; EPSG transformation 1874 SAD69 to WGS 84 (11) (DMA-Peru)
    {L"", 378, -58.0, 0.0, -44.0, 4618},
    // 178: South American 1969, Trinidad and Tobago; EPSG transformation 1875 SAD69 to WGS 84 (12)
    // (DMA-Tto)
    {L"", 379, -45.0, 12.0, -33.0, 4618},
    // 179: South American 1969, Venezuela; EPSG transformation 1876 SAD69 to WGS 84 (13) (DMA-Ven)
    {L"", 380, -45.0, 8.0, -33.0, 4618},
    // 180: South Asia, Singapore; value of the definition report
    {L"", 381, 7.0, -10.0, -26.0, 37207},
    // 181: Tananarive Observatory 1925, Madagascar; EPSG transformation 1227 Tananarive to WGS 84
    // (1) (DMA-Mdg)
    {L"", 382, -189.0, -242.0, -91.0, 4297},
    // 182: Timbalai 1948, Brunei, East Malaysia (Sabah, Sarawak); EPSG transformation 1228 Timbalai
    // 1948 to WGS 84 (1) (DMA-Borneo)
    {L"", 383, -679.0, 669.0, -48.0, 4298},
    // 183: Tokyo, Mean Solution (Japan, South Korea, Okinawa); EPSG transformation 1230 Tokyo to
    // WGS 84 (1) (DMA-Jpn Kor)
    {L"", 384, -148.0, 507.0, 685.0, 4301},
    // 184: Tokyo, Japan; EPSG transformation 1231 Tokyo to WGS 84 (2) (DMA-Jpn)
    {L"", 385, -148.0, 507.0, 685.0, 4301},
    // 185: Tokyo, Okinawa; EPSG transformation 1233 Tokyo to WGS 84 (4) (DMA-Jpn Ok)
    {L"", 386, -158.0, 507.0, 676.0, 4301},
    // 186: Tokyo, South Korea; EPSG transformation 1232 Tokyo to WGS 84 (3) (DMA-Kor)
    {L"", 387, -146.0, 507.0, 687.0, 4301},
    // 187: Tristan Astro 1968, Tristan da Cunha; EPSG transformation 15816 Tristan 1968 to WGS 84
    // (1) (DMA-Shn Tris)
    {L"", 388, -632.0, 438.0, -609.0, 4734},
    // 188: Viti Levu 1916, Fiji (Viti Levu Island); EPSG transformation 15897 Viti Levu 1912 to WGS
    // 84 (1) (DMA-Fji)
    {L"", 389, 51.0, 391.0, -36.0, 4752},
    // 189: Voirol 1960, Algeria; EPSG transformation 1255 Nord Sahara 1959 to WGS 84 (2) (DMA-Dza
    // N)
    {L"", 390, -123.0, -206.0, 219.0, 104305},
    // 190: Wake Island Astro 1952, Wake Atoll; EPSG transformation 15823 Wake Island 1952 to WGS 84
    // (1) (DMA-Mhl Wake)
    {L"", 391, 276.0, -57.0, 149.0, 4733},
    // 191: Wake-Eniwetok 1960, Marshall Islands; EPSG transformation 15822 Marshall Islands 1960 to
    // WGS 84 (1) (DMA-Mhl 1960)
    {L"", 392, 102.0, 52.0, -38.0, 4732},
    // 192: Yacare, Uruguay; EPSG transformation 1234 Yacare to WGS 84 (1) (DMA-Ury)
    {L"", 393, -155.0, 171.0, 37.0, 4309},
    // 193: Zanderij, Suriname; EPSG transformation 1235 Zanderij to WGS 84 (1) (DMA-Sur)
    {L"", 394, -265.0, 120.0, -358.0, 4311},
    // 194: American Samoa 1962, American Samoa Islands; EPSG transformation 1577 American Samoa
    // 1962 to WGS 84 (1) (NIMA-Asm)
    {L"", 395, -115.0, 118.0, 426.0, 4169},
    // 195: Arc 1960, Kenya; EPSG transformation 1284 Arc 1960 to WGS 84 (2) (NIMA-Ken)
    {L"", 396, -157.0, -2.0, -299.0, 4210},
    // 196: Arc 1960, Tanzania; EPSG transformation 1285 Arc 1960 to WGS 84 (3) (NIMA-Tza)
    {L"", 397, -175.0, -23.0, -303.0, 4210},
    // 197: Co-ordinate System 1937 of Estonia, Estonia; value of the definition report
    {L"", 398, 374.0, 150.0, 588.0, 104101},
    // 198: European 1979, Mean Solution; EPSG transformation 15752 ED79 to WGS 84 (1) (NIMA-Eur)
    {L"", 399, -86.0, -98.0, -119.0, 4668},
    // 199: Fort Thomas 1955, Nevis, St Kitts, Leeward Islands; EPSG transformation 15750 St. Kitts
    // 1955 to WGS 84 (2) (NIMA-Kna)
    {L"", 400, -7.0, 215.0, 225.0, 4605},
    // 200: Gan 1970, Republic of Maldives; EPSG transformation 15713 Gan 1970 to WGS 84 (1)
    // (NIMA-Mdv)
    {L"", 401, -133.0, -321.0, 50.0, 4684},
    // 201: Gunung Segara, Indonesia (Kalimantan); EPSG transformation 1897 Segara to WGS 84 (1)
    // (NIMA-Idn Kal)
    {L"", 402, -403.0, 684.0, 41.0, 4613},
    // 202: Hermannskogel, Yugoslavia (former), Bosnia and Herzegovina, Croatia; value of the
    // definition report
    {L"", 403, 682.0, -203.0, 480.0, 104102},
    // 203: Korean Geodetic System 1995, South Korea; EPSG transformation 1558 Korean 1995 to WGS 84
    // (1) (NIMA-Kor)
    {L"", 404, 0.0, 0.0, 0.0, 4166},
    {L"", 405, 0.0, 0.0, 4.5, 4322},  // 204: spare, repeats WGS 72
    {L"", 406, 0.0, 0.0, 4.5, 4322},  // 205: spare, repeats WGS 72
    {L"", 407, 0.0, 0.0, 4.5, 4322},  // 206: spare, repeats WGS 72
    {L"", 408, 0.0, 0.0, 4.5, 4322},  // 207: spare, repeats WGS 72
    {L"", 409, 0.0, 0.0, 4.5, 4322},  // 208: spare, repeats WGS 72
    {L"", 410, 0.0, 0.0, 4.5, 4322},  // 209: spare, repeats WGS 72
    {L"", 411, 0.0, 0.0, 4.5, 4322},  // 210: spare, repeats WGS 72
}};

std::optional<std::size_t> FindDatumRow(std::int32_t geographicSystemCode) {
  for (std::size_t i = 0; i < DatumTable.size(); ++i)
    if (DatumTable[i].geographicSystemCode == geographicSystemCode) return i;
  return std::nullopt;
}

std::optional<std::size_t> LookUpDatumRow(std::int32_t geographicSystemCode) {
  LastLookup& last = Last();
  if (last.valid && last.code == geographicSystemCode) return last.row;
  const auto row = FindDatumRow(geographicSystemCode);
  if (row) last = {geographicSystemCode, *row, true};
  return row;
}

void ResetDatumLookup() { Last() = LastLookup{}; }

}  // namespace velk::corvane
