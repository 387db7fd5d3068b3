// The media-type record every connection, enumerator and sample carries:
// the platform's AM_MEDIA_TYPE with its ownership rules. The format block
// lives in the COM task allocator and is owned exactly when the format size
// is not 0; the format unknown, when present, holds one reference.
#pragma once

#include "dshow/ds_platform.h"

#include <windows.h>

class CDsMediaType : public AM_MEDIA_TYPE {
public:
    CDsMediaType();
    CDsMediaType(const AM_MEDIA_TYPE &other);
    CDsMediaType(const CDsMediaType &other);
    ~CDsMediaType();
    CDsMediaType &operator=(const AM_MEDIA_TYPE &other) { return Set(other); }
    CDsMediaType &operator=(const CDsMediaType &other) { return Set(other); }

    // All fields zero, then fixed-size samples of size 1. Owns nothing after.
    void InitMediaType();
    // A deep copy of other; nothing happens when other is this record. A
    // format block that cannot be had leaves format size 0.
    CDsMediaType &Set(const AM_MEDIA_TYPE &other);

    // Major type or format type is GUID_NULL (the subtype is not looked at).
    BOOL IsPartiallySpecified() const;
    // Whether this type fits partial, whose GUID_NULL fields match anything.
    BOOL MatchesPartial(const AM_MEDIA_TYPE *partial) const;

    void SetType(const GUID *type) { majortype = *type; }
    void SetSubtype(const GUID *type) { subtype = *type; }
    void SetFormatType(const GUID *type) { formattype = *type; }
    // n > 0: fixed-size samples of n bytes; 0: variable size.
    void SetSampleSize(ULONG n);
    // Clears the fixed-size flag; the sample size keeps its value.
    void SetVariableSize() { bFixedSizeSamples = FALSE; }
    void SetTemporalCompression(BOOL compressed) { bTemporalCompression = compressed; }
    // A format block of exactly n bytes (its old bytes are not kept), or null
    // when none can be had and the old one is smaller.
    BYTE *AllocFormatBuffer(ULONG n);
};

static_assert(sizeof(CDsMediaType) == sizeof(AM_MEDIA_TYPE), "a CDsMediaType is an AM_MEDIA_TYPE");

// Copies the whole record into target (whose old contents are not freed),
// with a format block of its own and a reference on the format unknown.
void DsCopyMediaType(AM_MEDIA_TYPE *target, const AM_MEDIA_TYPE *source);
// Frees the format block and releases the format unknown.
void DsFreeMediaType(AM_MEDIA_TYPE *type);
// A copy of source in a task-allocator block, or null.
AM_MEDIA_TYPE *DsCreateMediaType(const AM_MEDIA_TYPE *source);
// Frees a record made by DsCreateMediaType (or handed out the same way).
void DsDeleteMediaType(AM_MEDIA_TYPE *type);
