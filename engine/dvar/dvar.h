// The registry of named, typed and validated settings (dvars).
#pragma once

#include <cstdint>

enum DvarType : uint8_t
{
    DVAR_TYPE_BOOL = 0,
    DVAR_TYPE_FLOAT = 1,
    DVAR_TYPE_FLOAT_2 = 2,
    DVAR_TYPE_FLOAT_3 = 3,
    DVAR_TYPE_FLOAT_4 = 4,
    DVAR_TYPE_INT = 5,
    DVAR_TYPE_ENUM = 6,
    DVAR_TYPE_STRING = 7,
    DVAR_TYPE_COLOR = 8,
};

enum DvarFlags : uint16_t
{
    DVAR_WRITE_PROTECTED = 0x10,
    DVAR_LATCHED = 0x20,
    DVAR_READ_ONLY = 0x40,
    DVAR_CHEAT = 0x80,
    DVAR_EXTERNAL = 0x4000,
};

enum DvarSetSource
{
    DVAR_SOURCE_INTERNAL = 0,
    DVAR_SOURCE_USER = 1,
    DVAR_SOURCE_EXTERNAL = 2,
};

union DvarValue
{
    bool enabled;
    float value;
    float vector[4];
    int32_t integer;
    const char *string;
    unsigned char color[4];
};

union DvarDomain
{
    struct
    {
        int32_t min;
        int32_t max;
    } integer;
    struct
    {
        float min;
        float max;
    } value;
    struct
    {
        int32_t stringCount;
        const char *const *strings;
    } enumeration;
};

struct Dvar
{
    const char *name;
    const char *description;
    uint16_t flags;
    uint8_t type;
    uint8_t modified;
    DvarValue current;
    DvarValue latched;
    DvarValue reset;
    DvarDomain domain;
    Dvar *hashNext;
};

constexpr int DVAR_MAX_COUNT = 4096;

int generateHashValue(const char *name);
Dvar *Dvar_FindVar(const char *name);
// Registers a variable or merges a registration into the record of the same name.
// Returns null only when the name is null, the type unknown or the pool of DVAR_MAX_COUNT
// records full (each reported); every operation below that takes a record accepts null.
Dvar *Dvar_RegisterVariant(const char *name, uint8_t type, uint16_t flags, DvarValue value,
                           DvarDomain domain, const char *description);
Dvar *Dvar_RegisterBool(const char *name, bool value, uint16_t flags, const char *description);
Dvar *Dvar_RegisterInt(const char *name, int32_t value, int32_t min, int32_t max, uint16_t flags,
                       const char *description);
Dvar *Dvar_RegisterString(const char *name, const char *value, uint16_t flags,
                          const char *description);
void Dvar_SetVariant(Dvar *dvar, DvarValue value, int source);
void Dvar_SetFromString(Dvar *dvar, const char *text);
// Clears the modified mark.
void Dvar_ClearModified(Dvar *dvar);
void Dvar_Shutdown();

// Conversions and tests. Text results live in static or ring storage until later calls.
const char *Dvar_ValueToString(const Dvar *dvar, DvarValue value);
DvarValue Dvar_StringToValue(uint8_t type, DvarDomain domain, const char *text);
bool Dvar_ValueInDomain(uint8_t type, DvarValue value, DvarDomain domain);
DvarValue Dvar_ClampValueToDomain(uint8_t type, DvarValue value, DvarValue fallback,
                                  DvarDomain domain);
const char *Dvar_DomainToString(uint8_t type, DvarDomain domain, char *buffer, int size);

// Typed reads of a variable by name; the default when it does not exist.
bool Dvar_GetBool(const char *name, bool fallback = false);
int32_t Dvar_GetInt(const char *name, int32_t fallback = 0);
const char *Dvar_GetString(const char *name, const char *fallback = "");
