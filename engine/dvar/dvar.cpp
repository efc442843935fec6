// The dvar registry: a fixed pool of records with a hash table for lookup by name,
// registration and reregistration (with the takeover of external variables), the one
// setter with its domain and protection checks, and shutdown.
//
// Text ownership: a text variable's current, latched and reset fields point into blocks
// from Z_CopyString; two or three fields may share one block. A block is released when
// no field refers to it any more, and Dvar_Shutdown releases each distinct block once.
// Only text variables own blocks: every change of type goes through the text form or
// releases them. The name is owned exactly while the external flag is set.
#include "engine/dvar/dvar.h"

#include "engine/common/console.h"
#include "engine/common/memory.h"
#include "engine/common/str.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr int HASH_SIZE = 256;
constexpr int DOMAIN_TEXT_SIZE = 1024;
constexpr int SET_TEXT_LIMIT = 1023;

Dvar dvarPool[DVAR_MAX_COUNT];
int dvarCount;
Dvar *hashTable[HASH_SIZE];
Dvar *svCheats;

// Z_Malloc takes its blocks from the C heap, so they go back with free.
void FreeText(const char *text)
{
    free(const_cast<char *>(text));
}

DvarValue ZeroValue()
{
    DvarValue value;
    memset(&value, 0, sizeof(value));
    return value;
}

DvarDomain ZeroDomain()
{
    DvarDomain domain;
    memset(&domain, 0, sizeof(domain));
    return domain;
}

const char *TextOf(const char *text)
{
    return text != nullptr ? text : "";
}

// A boolean read by its byte: a value built from raw bytes may hold something other than
// 0 or 1, and loading that through a bool would be undefined.
bool BoolOf(const DvarValue &value)
{
    uint8_t byte;
    memcpy(&byte, &value, 1);
    return byte != 0;
}

// True when sv_cheats is registered and false. A boolean is read by its byte; an
// integer (should anyone register it so) by its value; other types never count as false.
bool CheatsOff()
{
    if (svCheats == nullptr)
        return false;
    if (svCheats->type == DVAR_TYPE_BOOL)
        return !BoolOf(svCheats->current);
    if (svCheats->type == DVAR_TYPE_INT)
        return svCheats->current.integer == 0;
    return false;
}

bool ValuesEqual(uint8_t type, const DvarValue &a, const DvarValue &b)
{
    switch (type)
    {
    case DVAR_TYPE_BOOL:
        return memcmp(&a, &b, 1) == 0; // by the byte's bits
    case DVAR_TYPE_FLOAT:
        return a.value == b.value;
    case DVAR_TYPE_FLOAT_2:
    case DVAR_TYPE_FLOAT_3:
    case DVAR_TYPE_FLOAT_4:
        for (int i = 0; i < type; ++i) // the type number is the dimension
        {
            if (a.vector[i] != b.vector[i])
                return false;
        }
        return true;
    case DVAR_TYPE_INT:
    case DVAR_TYPE_ENUM:
        return a.integer == b.integer;
    case DVAR_TYPE_STRING:
        return strcmp(TextOf(a.string), TextOf(b.string)) == 0;
    case DVAR_TYPE_COLOR:
        return memcmp(a.color, b.color, 4) == 0;
    default:
        return memcmp(&a, &b, sizeof(DvarValue)) == 0;
    }
}

// Releases a text block that a text variable's fields no longer refer to.
void ReleaseIfUnused(const Dvar *dvar, const char *text)
{
    if (text == nullptr || text == dvar->current.string || text == dvar->latched.string ||
        text == dvar->reset.string)
        return;
    FreeText(text);
}

// Releases every distinct text block of a text variable and clears the three fields.
void ReleaseAllText(Dvar *dvar)
{
    const char *current = dvar->current.string;
    const char *latched = dvar->latched.string;
    const char *reset = dvar->reset.string;
    dvar->current = ZeroValue();
    dvar->latched = ZeroValue();
    dvar->reset = ZeroValue();
    if (current != nullptr)
        FreeText(current);
    if (latched != nullptr && latched != current)
        FreeText(latched);
    if (reset != nullptr && reset != current && reset != latched)
        FreeText(reset);
}

// Stores value as the latched value. Text shares the current or the reset block when it
// equals that text, and is copied otherwise.
void SetLatchedValue(Dvar *dvar, DvarValue value)
{
    if (dvar->type != DVAR_TYPE_STRING)
    {
        dvar->latched = value;
        return;
    }
    const char *old = dvar->latched.string;
    const char *text = TextOf(value.string);
    DvarValue stored = ZeroValue();
    if (dvar->current.string != nullptr && strcmp(text, dvar->current.string) == 0)
        stored.string = dvar->current.string;
    else if (dvar->reset.string != nullptr && strcmp(text, dvar->reset.string) == 0)
        stored.string = dvar->reset.string;
    else if (old != nullptr && strcmp(text, old) == 0)
        return;
    else
        stored.string = Z_CopyString(text);
    if (stored.string == old)
        return;
    dvar->latched = stored;
    ReleaseIfUnused(dvar, old);
}

void PrintInvalidValue(const Dvar *dvar, DvarValue value)
{
    Com_Print(CHANNEL_DVAR, "'%s' is not a valid value for dvar '%s'\n",
              Dvar_ValueToString(dvar, value), dvar->name);
    char domainText[DOMAIN_TEXT_SIZE];
    Dvar_DomainToString(dvar->type, dvar->domain, domainText, sizeof(domainText));
    Com_Print(CHANNEL_ALWAYS, "  %s\n", domainText);
}

// Turns a variable of any type into a text variable holding the text forms of its three
// values.
void MakeTextVariable(Dvar *dvar)
{
    if (dvar->type == DVAR_TYPE_STRING)
        return;
    // Each text form is copied at once: Dvar_ValueToString's ring storage is reused.
    DvarValue current = ZeroValue();
    DvarValue latched = ZeroValue();
    DvarValue reset = ZeroValue();
    current.string = Z_CopyString(Dvar_ValueToString(dvar, dvar->current));
    latched.string = Z_CopyString(Dvar_ValueToString(dvar, dvar->latched));
    reset.string = Z_CopyString(Dvar_ValueToString(dvar, dvar->reset));
    dvar->type = DVAR_TYPE_STRING;
    dvar->current = current;
    dvar->latched = latched;
    dvar->reset = reset;
}

// Gives a text variable the registration's type and domain. Unless the registration makes
// it read only, or cheat protected while sv_cheats is false, the current text is parsed
// into the new type and clamped to the new domain; otherwise the registration's value is
// taken. The result becomes current and latched; the registration's value becomes reset.
void Retype(Dvar *dvar, uint8_t type, uint16_t flags, DvarValue value, DvarDomain domain)
{
    MakeTextVariable(dvar);
    DvarValue result = value;
    bool keepRegistration =
        (flags & DVAR_READ_ONLY) != 0 || ((flags & DVAR_CHEAT) != 0 && CheatsOff());
    if (!keepRegistration)
    {
        DvarValue parsed = Dvar_StringToValue(type, domain, dvar->current.string);
        result = Dvar_ClampValueToDomain(type, parsed, value, domain);
    }

    // New blocks are made before the old ones go: result may point at the old current text.
    DvarValue current = result;
    DvarValue reset = value;
    if (type == DVAR_TYPE_STRING)
    {
        current = ZeroValue();
        reset = ZeroValue();
        current.string = Z_CopyString(TextOf(result.string));
        reset.string = Z_CopyString(TextOf(value.string));
    }
    ReleaseAllText(dvar);
    dvar->type = type;
    dvar->domain = domain;
    dvar->current = current;
    dvar->latched = current;
    dvar->reset = reset;
}

Dvar *Dvar_RegisterNew(const char *name, uint8_t type, uint16_t flags, DvarValue value,
                       DvarDomain domain, const char *description)
{
    if (dvarCount >= DVAR_MAX_COUNT)
    {
        Com_ReportError("Can't create dvar '%s': %i dvars already exist", name, DVAR_MAX_COUNT);
        // There is no room and no record to lend: the registration returns null. Every
        // operation taking a record accepts null and does nothing, and code that reads a
        // setting uses Dvar_GetBool, Dvar_GetInt or Dvar_GetString, which give their
        // fallback for a name that has no record.
        return nullptr;
    }
    Dvar *dvar = &dvarPool[dvarCount++];
    memset(dvar, 0, sizeof(*dvar));
    dvar->type = type;
    dvar->name = (flags & DVAR_EXTERNAL) != 0 ? Z_CopyString(name) : name;
    if (type == DVAR_TYPE_STRING)
    {
        DvarValue text = ZeroValue();
        text.string = Z_CopyString(TextOf(value.string));
        dvar->current = text;
        dvar->latched = text;
        dvar->reset = text;
    }
    else
    {
        dvar->current = value;
        dvar->latched = value;
        dvar->reset = value;
    }
    dvar->domain = domain;
    dvar->description = description;
    dvar->flags = flags;
    dvar->modified = 0;
    int hash = generateHashValue(name);
    dvar->hashNext = hashTable[hash];
    hashTable[hash] = dvar;
    return dvar;
}

void Dvar_Reregister(Dvar *dvar, const char *name, uint8_t type, uint16_t flags, DvarValue value,
                     DvarDomain domain, const char *description)
{
    bool recordExternal = (dvar->flags & DVAR_EXTERNAL) != 0;
    bool registrationExternal = (flags & DVAR_EXTERNAL) != 0;
    if (recordExternal && !registrationExternal)
    {
        // External takeover: the value set before registration survives in the new type.
        MakeTextVariable(dvar);
        FreeText(dvar->name);
        dvar->flags &= static_cast<uint16_t>(~DVAR_EXTERNAL);
        dvar->name = name;
        Retype(dvar, type, flags, value, domain);
    }
    else if (recordExternal && registrationExternal && dvar->type != type)
    {
        Retype(dvar, type, flags, value, domain);
    }

    // An external registration of a record that is not external adds no external flag:
    // the record does not own its name, and the flag would make Dvar_Shutdown free it.
    uint16_t added = flags;
    if (!recordExternal)
        added &= static_cast<uint16_t>(~DVAR_EXTERNAL);
    dvar->flags |= added;
    if (description != nullptr)
        dvar->description = description;

    if ((dvar->flags & DVAR_CHEAT) != 0 && CheatsOff())
    {
        Dvar_SetVariant(dvar, dvar->reset, DVAR_SOURCE_INTERNAL);
        SetLatchedValue(dvar, dvar->reset);
    }
    if ((dvar->flags & DVAR_LATCHED) != 0)
        Dvar_SetVariant(dvar, dvar->latched, DVAR_SOURCE_INTERNAL);
}
} // namespace

int generateHashValue(const char *name)
{
    if (name == nullptr)
    {
        Com_ReportError("null name in generateHashValue");
        return 0;
    }
    // Characters are taken as unsigned bytes; the unsigned sum may wrap, which leaves its
    // low 8 bits exact.
    uint32_t hash = 0;
    for (uint32_t i = 0; name[i] != 0; ++i)
        hash += static_cast<uint32_t>(static_cast<unsigned char>(Str_ToLowerAscii(name[i]))) *
                (119 + i);
    return static_cast<int>(hash & (HASH_SIZE - 1));
}

Dvar *Dvar_FindVar(const char *name)
{
    int hash = generateHashValue(name);
    if (name == nullptr)
        return nullptr;
    for (Dvar *dvar = hashTable[hash]; dvar != nullptr; dvar = dvar->hashNext)
    {
        if (Str_CaseCompare(name, dvar->name) == 0)
            return dvar;
    }
    return nullptr;
}

Dvar *Dvar_RegisterVariant(const char *name, uint8_t type, uint16_t flags, DvarValue value,
                           DvarDomain domain, const char *description)
{
    Dvar *dvar = Dvar_FindVar(name);
    if (name == nullptr)
        return nullptr; // reported by generateHashValue
    if (type > DVAR_TYPE_COLOR)
    {
        Com_ReportError("Dvar_RegisterVariant: unknown type %i for dvar '%s'", type, name);
        return dvar;
    }
    if (dvar != nullptr)
        Dvar_Reregister(dvar, name, type, flags, value, domain, description);
    else
        dvar = Dvar_RegisterNew(name, type, flags, value, domain, description);
    if (dvar != nullptr && Str_CaseCompare(name, "sv_cheats") == 0)
        svCheats = dvar;
    return dvar;
}

Dvar *Dvar_RegisterBool(const char *name, bool value, uint16_t flags, const char *description)
{
    DvarValue dvarValue = ZeroValue();
    dvarValue.enabled = value;
    return Dvar_RegisterVariant(name, DVAR_TYPE_BOOL, flags, dvarValue, ZeroDomain(), description);
}

Dvar *Dvar_RegisterInt(const char *name, int32_t value, int32_t min, int32_t max, uint16_t flags,
                       const char *description)
{
    DvarValue dvarValue = ZeroValue();
    dvarValue.integer = value;
    DvarDomain domain = ZeroDomain();
    domain.integer.min = min;
    domain.integer.max = max;
    return Dvar_RegisterVariant(name, DVAR_TYPE_INT, flags, dvarValue, domain, description);
}

Dvar *Dvar_RegisterString(const char *name, const char *value, uint16_t flags,
                          const char *description)
{
    DvarValue dvarValue = ZeroValue();
    dvarValue.string = value;
    return Dvar_RegisterVariant(name, DVAR_TYPE_STRING, flags, dvarValue, ZeroDomain(),
                                description);
}

void Dvar_SetVariant(Dvar *dvar, DvarValue value, int source)
{
    if (dvar == nullptr)
        return;
    if (!Dvar_ValueInDomain(dvar->type, value, dvar->domain))
    {
        PrintInvalidValue(dvar, value);
        if (dvar->type != DVAR_TYPE_ENUM)
            return;
        // An enumeration falls back to its reset value, once: a reset value that is itself
        // outside the domain is reported the same way and the set ends, instead of being
        // retried without end.
        value = dvar->reset;
        if (!Dvar_ValueInDomain(dvar->type, value, dvar->domain))
        {
            PrintInvalidValue(dvar, value);
            return;
        }
    }

    if (source == DVAR_SOURCE_USER || source == DVAR_SOURCE_EXTERNAL)
    {
        if ((dvar->flags & DVAR_READ_ONLY) != 0)
        {
            Com_Print(CHANNEL_DVAR, "%s is read only.\n", dvar->name);
            return;
        }
        if ((dvar->flags & DVAR_WRITE_PROTECTED) != 0)
        {
            Com_Print(CHANNEL_DVAR, "%s is write protected.\n", dvar->name);
            return;
        }
        if (source == DVAR_SOURCE_USER && (dvar->flags & DVAR_CHEAT) != 0 && CheatsOff())
        {
            Com_Print(CHANNEL_DVAR, "%s is cheat protected.\n", dvar->name);
            return;
        }
        if ((dvar->flags & DVAR_LATCHED) != 0)
        {
            SetLatchedValue(dvar, value);
            if (!ValuesEqual(dvar->type, dvar->latched, dvar->current))
                Com_Print(CHANNEL_ALWAYS, "%s will be changed upon restarting.\n", dvar->name);
            return;
        }
    }

    if (ValuesEqual(dvar->type, value, dvar->current))
    {
        SetLatchedValue(dvar, dvar->current);
        return;
    }

    if (dvar->type == DVAR_TYPE_STRING)
    {
        // Copied before the old blocks go: value may be one of them (the latched text).
        const char *oldCurrent = dvar->current.string;
        const char *oldLatched = dvar->latched.string;
        DvarValue text = ZeroValue();
        text.string = Z_CopyString(TextOf(value.string));
        dvar->current = text;
        dvar->latched = text;
        ReleaseIfUnused(dvar, oldCurrent);
        if (oldLatched != oldCurrent)
            ReleaseIfUnused(dvar, oldLatched);
    }
    else
    {
        dvar->current = value;
        dvar->latched = value;
    }
    dvar->modified = 1;
}

void Dvar_SetFromString(Dvar *dvar, const char *text)
{
    if (dvar == nullptr)
        return;
    text = TextOf(text);
    DvarValue value = ZeroValue();
    char cut[SET_TEXT_LIMIT + 1];
    if (dvar->type == DVAR_TYPE_STRING)
    {
        size_t length = strnlen(text, SET_TEXT_LIMIT);
        memcpy(cut, text, length);
        cut[length] = 0;
        value.string = cut;
    }
    else
    {
        // Every other type (not only enumerations) takes the value that
        // Dvar_StringToValue reads from the text; Dvar_SetVariant then checks the domain,
        // so a number out of range is reported rather than clamped.
        value = Dvar_StringToValue(dvar->type, dvar->domain, text);
    }
    Dvar_SetVariant(dvar, value, DVAR_SOURCE_INTERNAL);
}

void Dvar_ClearModified(Dvar *dvar)
{
    if (dvar != nullptr)
        dvar->modified = 0;
}

void Dvar_Shutdown()
{
    for (int i = 0; i < dvarCount; ++i)
    {
        Dvar *dvar = &dvarPool[i];
        if (dvar->type == DVAR_TYPE_STRING)
            ReleaseAllText(dvar);
        if ((dvar->flags & DVAR_EXTERNAL) != 0)
            FreeText(dvar->name);
    }
    memset(dvarPool, 0, sizeof(dvarPool));
    memset(hashTable, 0, sizeof(hashTable));
    dvarCount = 0;
    svCheats = nullptr;
}

bool Dvar_GetBool(const char *name, bool fallback)
{
    const Dvar *dvar = Dvar_FindVar(name);
    if (dvar == nullptr)
        return fallback;
    switch (dvar->type)
    {
    case DVAR_TYPE_BOOL:
        return BoolOf(dvar->current);
    case DVAR_TYPE_INT:
    case DVAR_TYPE_ENUM:
        return dvar->current.integer != 0;
    case DVAR_TYPE_FLOAT:
        return dvar->current.value != 0.0f;
    default:
        // Text, vectors and colours: their text form read as a boolean.
        return BoolOf(Dvar_StringToValue(DVAR_TYPE_BOOL, dvar->domain,
                                         Dvar_ValueToString(dvar, dvar->current)));
    }
}

int32_t Dvar_GetInt(const char *name, int32_t fallback)
{
    const Dvar *dvar = Dvar_FindVar(name);
    if (dvar == nullptr)
        return fallback;
    switch (dvar->type)
    {
    case DVAR_TYPE_BOOL:
        return BoolOf(dvar->current) ? 1 : 0;
    case DVAR_TYPE_INT:
    case DVAR_TYPE_ENUM:
        return dvar->current.integer;
    case DVAR_TYPE_FLOAT:
    {
        // Truncated toward zero and kept inside the i32 range; NaN reads as 0.
        float value = dvar->current.value;
        if (!(value == value))
            return 0;
        if (value <= -2147483648.0f)
            return INT32_MIN;
        if (value >= 2147483648.0f)
            return INT32_MAX;
        return static_cast<int32_t>(value);
    }
    default:
        // Text, vectors and colours: their text form read as an integer.
        return Dvar_StringToValue(DVAR_TYPE_INT, dvar->domain,
                                  Dvar_ValueToString(dvar, dvar->current))
            .integer;
    }
}

const char *Dvar_GetString(const char *name, const char *fallback)
{
    const Dvar *dvar = Dvar_FindVar(name);
    if (dvar == nullptr)
        return fallback;
    return Dvar_ValueToString(dvar, dvar->current);
}
