#pragma once
// Where each control of the window belongs, in twips inside its container ("" for the window),
// as the layout was drawn; both windows' tests check their controls against it.
namespace folionix::test {

struct ControlPlace {
    const char* name;
    const char* in;
    int left, top, width, height;
};

inline constexpr ControlPlace kControlTable[39] = {
    {"Frame1", "", 90, 135, 3435, 5145},          {"List1", "Frame1", 135, 270, 3165, 4245},
    {"Command4", "Frame1", 135, 4680, 1590, 330}, {"Command2", "Frame1", 2115, 4680, 1185, 330},
    {"Frame2", "", 3600, 135, 5235, 5145},        {"Label1", "Frame2", 135, 360, 1410, 240},
    {"Text1", "Frame2", 1350, 315, 3300, 285},    {"Command1", "Frame2", 4725, 315, 420, 285},
    {"Frame3", "Frame2", 135, 765, 4830, 2355},   {"Label5", "Frame3", 0, 0, 2715, 195},
    {"Option1", "Frame3", 45, 225, 3345, 285},    {"Option2", "Frame3", 45, 495, 1770, 285},
    {"Label2", "Frame3", 585, 765, 1275, 195},    {"Text2", "Frame3", 1755, 720, 735, 285},
    {"Label4", "Frame3", 2790, 765, 1275, 195},   {"Text4", "Frame3", 4005, 720, 735, 285},
    {"Check1", "Frame3", 585, 1080, 2490, 195},   {"Label6", "Frame3", 0, 1485, 1095, 195},
    {"Label7", "Frame3", 585, 1710, 1050, 195},   {"Text5", "Frame3", 1755, 1665, 735, 285},
    {"Label8", "Frame3", 2700, 1710, 1275, 195},  {"Text6", "Frame3", 4005, 1665, 735, 285},
    {"Label9", "Frame3", 585, 1980, 1050, 195},   {"Text7", "Frame3", 1755, 1980, 735, 285},
    {"Label10", "Frame3", 2790, 2025, 1185, 195}, {"Text8", "Frame3", 4005, 1980, 735, 285},
    {"Frame5", "Frame2", 135, 3150, 5010, 825},   {"Label12", "Frame5", 0, 0, 1905, 195},
    {"Option5", "Frame5", 45, 225, 1770, 285},    {"Option6", "Frame5", 45, 495, 2355, 285},
    {"Frame4", "Frame2", 135, 4050, 4515, 1050},  {"Label11", "Frame4", 0, 0, 1095, 195},
    {"Option4", "Frame4", 45, 225, 1770, 285},    {"Option3", "Frame4", 45, 495, 1500, 285},
    {"Label3", "Frame4", 585, 765, 915, 195},     {"Text3", "Frame4", 1530, 720, 2715, 285},
    {"Command3", "", 7830, 5400, 1005, 330},      {"Label15", "", 90, 5445, 2085, 240},
    {"Label13", "", 2520, 5445, 2355, 240},
};

} // namespace folionix::test
