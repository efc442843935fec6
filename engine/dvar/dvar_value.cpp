// The conversions and tests of dvar values: text forms, parsing, domain checks, clamping
// and the domain descriptions.
#include "engine/common/format.h"
#include "engine/common/str.h"
#include "engine/dvar/dvar.h"

#include <cfloat>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
// Booleans are compared and printed by their byte: a value built from raw bytes may hold
// something other than 0 or 1, and reading that through a bool would be undefined.
uint8_t BoolByte(const DvarValue &value)
{
    uint8_t byte;
    memcpy(&byte, &value, 1);
    return byte;
}

int VectorDimension(uint8_t type)
{
    return type - DVAR_TYPE_FLOAT_2 + 2;
}

// The text's leading integer, like atoi but clamped to the i32 range instead of undefined
// on overflow.
int32_t ParseInt(const char *text)
{
    long long parsed = strtoll(text, nullptr, 10);
    if (parsed < INT32_MIN)
        return INT32_MIN;
    if (parsed > INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(parsed);
}

// Clamps one float; NaN, which no comparison accepts, becomes the minimum.
float ClampFloat(float value, float min, float max)
{
    if (!(value >= min))
        return min;
    if (value > max)
        return max;
    return value;
}

bool FloatInRange(float value, float min, float max)
{
    return min <= value && value <= max;
}

int EnumIndexFromText(DvarDomain domain, const char *text)
{
    int count = domain.enumeration.stringCount;
    const char *const *names = domain.enumeration.strings;
    if (names == nullptr)
        count = 0;
    for (int i = 0; i < count; ++i)
    {
        if (names[i] != nullptr && Str_CaseCompare(text, names[i]) == 0)
            return i;
    }
    size_t length = strlen(text);
    if (length > 0 && strspn(text, "0123456789") == length)
    {
        // Compared digit by digit so that a long run of digits cannot overflow.
        long long index = 0;
        for (size_t i = 0; i < length && index < count; ++i)
            index = index * 10 + (text[i] - '0');
        if (index < count)
            return static_cast<int>(index);
    }
    for (int i = 0; i < count; ++i)
    {
        if (names[i] != nullptr && Str_CaseCompareN(text, names[i], static_cast<int>(length)) == 0)
            return i;
    }
    return -1337;
}
} // namespace

const char *Dvar_ValueToString(const Dvar *dvar, DvarValue value)
{
    if (dvar == nullptr)
        return "";
    switch (dvar->type)
    {
    case DVAR_TYPE_BOOL:
        return BoolByte(value) ? "1" : "0";
    case DVAR_TYPE_FLOAT:
        return va("%g", value.value);
    case DVAR_TYPE_FLOAT_2:
        return va("%g %g", value.vector[0], value.vector[1]);
    case DVAR_TYPE_FLOAT_3:
        return va("%g %g %g", value.vector[0], value.vector[1], value.vector[2]);
    case DVAR_TYPE_FLOAT_4:
        return va("%g %g %g %g", value.vector[0], value.vector[1], value.vector[2],
                  value.vector[3]);
    case DVAR_TYPE_INT:
        return va("%i", value.integer);
    case DVAR_TYPE_ENUM:
    {
        const DvarDomain &domain = dvar->domain;
        if (domain.enumeration.stringCount <= 0 || domain.enumeration.strings == nullptr)
            return "";
        // An index outside the names (such as the -1337 of an unknown name, shown in the
        // invalid-value message) has no name; its number is shown instead of reading
        // past the array.
        if (value.integer < 0 || value.integer >= domain.enumeration.stringCount)
            return va("%i", value.integer);
        const char *name = domain.enumeration.strings[value.integer];
        return name != nullptr ? name : "";
    }
    case DVAR_TYPE_STRING:
        return value.string != nullptr ? value.string : "";
    case DVAR_TYPE_COLOR:
    {
        const float scale = 1.0f / 255.0f;
        return va("%g %g %g %g", value.color[0] * scale, value.color[1] * scale,
                  value.color[2] * scale, value.color[3] * scale);
    }
    default:
        return "";
    }
}

DvarValue Dvar_StringToValue(uint8_t type, DvarDomain domain, const char *text)
{
    DvarValue value;
    memset(&value, 0, sizeof(value));
    if (text == nullptr)
        text = "";
    switch (type)
    {
    case DVAR_TYPE_BOOL:
        value.enabled = ParseInt(text) != 0;
        break;
    case DVAR_TYPE_FLOAT:
        value.value = strtof(text, nullptr);
        break;
    case DVAR_TYPE_FLOAT_2:
        sscanf(text, "%g %g", &value.vector[0], &value.vector[1]);
        break;
    case DVAR_TYPE_FLOAT_3:
        if (text[0] == '(')
            sscanf(text, "( %g, %g, %g )", &value.vector[0], &value.vector[1], &value.vector[2]);
        else
            sscanf(text, "%g %g %g", &value.vector[0], &value.vector[1], &value.vector[2]);
        break;
    case DVAR_TYPE_FLOAT_4:
        sscanf(text, "%g %g %g %g", &value.vector[0], &value.vector[1], &value.vector[2],
               &value.vector[3]);
        break;
    case DVAR_TYPE_INT:
        value.integer = ParseInt(text);
        break;
    case DVAR_TYPE_ENUM:
        value.integer = EnumIndexFromText(domain, text);
        break;
    case DVAR_TYPE_STRING:
        value.string = text;
        break;
    case DVAR_TYPE_COLOR:
    {
        float parts[4] = {0, 0, 0, 0};
        sscanf(text, "%g %g %g %g", &parts[0], &parts[1], &parts[2], &parts[3]);
        for (int i = 0; i < 4; ++i)
        {
            // Rounded to the nearest byte, so that every text form that
            // Dvar_ValueToString prints (byte / 255) reads back as the same byte.
            float part = ClampFloat(parts[i], 0.0f, 1.0f);
            value.color[i] = static_cast<unsigned char>(part * 255.0f + 0.5f);
        }
        break;
    }
    default:
        break;
    }
    return value;
}

bool Dvar_ValueInDomain(uint8_t type, DvarValue value, DvarDomain domain)
{
    switch (type)
    {
    case DVAR_TYPE_BOOL:
    case DVAR_TYPE_STRING:
    case DVAR_TYPE_COLOR:
        return true;
    case DVAR_TYPE_FLOAT:
        return FloatInRange(value.value, domain.value.min, domain.value.max);
    case DVAR_TYPE_FLOAT_2:
    case DVAR_TYPE_FLOAT_3:
    case DVAR_TYPE_FLOAT_4:
        for (int i = 0; i < VectorDimension(type); ++i)
        {
            if (!FloatInRange(value.vector[i], domain.value.min, domain.value.max))
                return false;
        }
        return true;
    case DVAR_TYPE_INT:
        return domain.integer.min <= value.integer && value.integer <= domain.integer.max;
    case DVAR_TYPE_ENUM:
        return value.integer == 0 ||
               (value.integer > 0 && value.integer < domain.enumeration.stringCount);
    default:
        return false;
    }
}

DvarValue Dvar_ClampValueToDomain(uint8_t type, DvarValue value, DvarValue fallback,
                                  DvarDomain domain)
{
    switch (type)
    {
    case DVAR_TYPE_BOOL:
    {
        bool enabled = BoolByte(value) != 0;
        memset(&value, 0, sizeof(value));
        value.enabled = enabled;
        break;
    }
    case DVAR_TYPE_FLOAT:
        value.value = ClampFloat(value.value, domain.value.min, domain.value.max);
        break;
    case DVAR_TYPE_FLOAT_2:
    case DVAR_TYPE_FLOAT_3:
    case DVAR_TYPE_FLOAT_4:
        for (int i = 0; i < VectorDimension(type); ++i)
            value.vector[i] = ClampFloat(value.vector[i], domain.value.min, domain.value.max);
        break;
    case DVAR_TYPE_INT:
        if (value.integer < domain.integer.min)
            value.integer = domain.integer.min;
        else if (value.integer > domain.integer.max)
            value.integer = domain.integer.max;
        break;
    case DVAR_TYPE_ENUM:
        if (value.integer < 0 || value.integer >= domain.enumeration.stringCount)
            value.integer = fallback.integer;
        break;
    default:
        break;
    }
    return value;
}

const char *Dvar_DomainToString(uint8_t type, DvarDomain domain, char *buffer, int size)
{
    if (buffer == nullptr || size <= 0)
        return "";
    buffer[0] = 0;
    switch (type)
    {
    case DVAR_TYPE_BOOL:
        Com_FormatBuffer(buffer, size, "Domain is 0 or 1");
        break;
    case DVAR_TYPE_FLOAT:
    {
        // Bounds at or beyond the largest float (including infinities) count as none.
        bool noMin = domain.value.min <= -FLT_MAX;
        bool noMax = domain.value.max >= FLT_MAX;
        if (noMin && noMax)
            Com_FormatBuffer(buffer, size, "Domain is any number");
        else if (noMin)
            Com_FormatBuffer(buffer, size, "Domain is any number %g or smaller", domain.value.max);
        else if (noMax)
            Com_FormatBuffer(buffer, size, "Domain is any number %g or bigger", domain.value.min);
        else
            Com_FormatBuffer(buffer, size, "Domain is any number from %g to %g", domain.value.min,
                             domain.value.max);
        break;
    }
    case DVAR_TYPE_FLOAT_2:
    case DVAR_TYPE_FLOAT_3:
    case DVAR_TYPE_FLOAT_4:
    {
        int dimension = VectorDimension(type);
        bool noMin = domain.value.min <= -FLT_MAX;
        bool noMax = domain.value.max >= FLT_MAX;
        if (noMin && noMax)
            Com_FormatBuffer(buffer, size, "Domain is any %iD vector", dimension);
        else if (noMin)
            Com_FormatBuffer(buffer, size, "Domain is any %iD vector with components %g or smaller",
                             dimension, domain.value.max);
        else if (noMax)
            Com_FormatBuffer(buffer, size, "Domain is any %iD vector with components %g or bigger",
                             dimension, domain.value.min);
        else
            Com_FormatBuffer(buffer, size, "Domain is any %iD vector with components from %g to %g",
                             dimension, domain.value.min, domain.value.max);
        break;
    }
    case DVAR_TYPE_INT:
    {
        bool noMin = domain.integer.min == INT32_MIN;
        bool noMax = domain.integer.max == INT32_MAX;
        if (noMin && noMax)
            Com_FormatBuffer(buffer, size, "Domain is any integer");
        else if (noMin)
            Com_FormatBuffer(buffer, size, "Domain is any integer %i or smaller",
                             domain.integer.max);
        else if (noMax)
            Com_FormatBuffer(buffer, size, "Domain is any integer %i or bigger",
                             domain.integer.min);
        else
            Com_FormatBuffer(buffer, size, "Domain is any integer from %i to %i",
                             domain.integer.min, domain.integer.max);
        break;
    }
    case DVAR_TYPE_ENUM:
    {
        Com_FormatBuffer(buffer, size, "Domain is one of the following:");
        const char *const *names = domain.enumeration.strings;
        int count = names != nullptr ? domain.enumeration.stringCount : 0;
        for (int i = 0; i < count; ++i)
        {
            size_t used = strlen(buffer);
            if (used + 1 >= static_cast<size_t>(size))
                break; // full: the listing is cut like any bounded print
            Com_FormatBuffer(buffer + used, size - static_cast<int>(used), "\n  %2i: %s", i,
                             names[i] != nullptr ? names[i] : "");
        }
        break;
    }
    case DVAR_TYPE_STRING:
        Com_FormatBuffer(buffer, size, "Domain is any text");
        break;
    case DVAR_TYPE_COLOR:
        Com_FormatBuffer(buffer, size, "Domain is any 4-component color, in RGBA format");
        break;
    default:
        break;
    }
    return buffer;
}
