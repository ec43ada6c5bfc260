// The scales of ship, item, bullet and pilot values that the game's formulas assume.
//
// The station menu's upgrades stop at hull 250, engine 150, manoeuvring 2, cargo 1000,
// laser reload 0.2 s and launcher reload 1 s, and show the upgrade as a share of the
// distance from the base value to that stop (so a base at the stop divides by 0); the
// ship panel's bars are hull / 250, engine / 150 and (12 - manoeuvring) / 10; the upgrade
// cost of manoeuvring is (11 - manoeuvring) / 10; the pirates' sector bonus and the
// aliens' size bonus are shares of the same distances. A weapon's replacement price
// divides by its bullet's damage. The tables are refused at build time and the built set
// by `datagen --check` when a value is off its scale.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

namespace datagen {

struct Range {
    const char* what;
    double low, high;
    bool lowOpen, highOpen;   // open ends exclude the bound itself
    const char* why;
};

// One row per value held to a scale; a row's name is what the report prints.
inline const Range kShipHull = {"hull", 0, 250, true, true, "the hull upgrade stops at 250 and its bar draws out of 250"};
inline const Range kShipEngine = {"engine", 0, 150, true, true, "the engine upgrade stops at 150 and its bar draws out of 150"};
inline const Range kShipManoeuvring = {"manoeuvring", 2, 11, true, false,
                                       "the manoeuvring upgrade stops at 2 and costs (11 - m) / 10"};
inline const Range kCargo = {"cargo capacity", 0, 1000, false, true, "the cargo upgrade stops at 1000 and its bar draws out of 1000"};
inline const Range kLaserReload = {"laser reload", 0.2, 60, true, false, "the laser reload upgrade stops at 0.2 s"};
inline const Range kLauncherReload = {"launcher reload", 1, 60, true, false, "the launcher reload upgrade stops at 1 s"};
inline const Range kDamage = {"bullet damage", 1, 9999, false, false, "a weapon's replacement price divides by its damage"};
inline const Range kSkill = {"pilot skill", 0, 1, false, false, "skills are shares of 1"};
inline const Range kFourDigits = {"value", 0, 9999, false, false, "the field holds four digits"};

inline bool Inside(const Range& r, double v)
{
    if (!std::isfinite(v)) return false;
    if (r.lowOpen ? v <= r.low : v < r.low) return false;
    if (r.highOpen ? v >= r.high : v > r.high) return false;
    return true;
}

// "hull 300 outside (0, 250): why"; empty when inside.
inline std::string OffScale(const Range& r, double v)
{
    if (Inside(r, v)) return "";
    char b[256];
    std::snprintf(b, sizeof b, "%s %g outside %c%g, %g%c: %s", r.what, v, r.lowOpen ? '(' : '[', r.low, r.high,
                  r.highOpen ? ')' : ']', r.why);
    return b;
}

} // namespace datagen
