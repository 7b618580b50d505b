#pragma once
// The families of faces Velmora3-C.exe carries, with the resources that hold their files: the
// runtime adds a family only when a design face falls through to it (on Windows 10 and 11,
// Roadgeek alone, for "LCARS").

#include "app/win32/resource_ids.h"
#include "platform/win32/win32_look.h"

inline constexpr int kVelmoraSansNarrowFiles[] = {VELMORA_IDF_SANS_NARROW, VELMORA_IDF_SANS_NARROW_BOLD};
inline constexpr int kVelmoraSansFiles[] = {VELMORA_IDF_SANS, VELMORA_IDF_SANS_BOLD};
inline constexpr int kVelmoraRoadgeekFiles[] = {VELMORA_IDF_ROADGEEK_B};
inline constexpr platform_win32::CarriedFamily kVelmoraCarriedFamilies[] = {
    {.family = "Liberation Sans Narrow", .files = kVelmoraSansNarrowFiles},
    {.family = "Liberation Sans", .files = kVelmoraSansFiles},
    {.family = "Roadgeek 2014 Series B", .files = kVelmoraRoadgeekFiles},
};
