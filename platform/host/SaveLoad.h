// Scene file streams: nested chunks with 16-bit ids. A saving object begins a
// chunk, writes into it and ends it; a loading object opens the next chunk of
// its own list, reads it and closes it.
#pragma once
#include <cstddef>

#include "HostApi.h"

enum IOResult { IO_OK = 0, IO_END = 1, IO_ERROR = 2 };

class HOST_API ISave {
public:
    virtual ~ISave();
    virtual void BeginChunk(USHORT id) = 0;
    virtual void EndChunk() = 0;
    virtual IOResult Write(const void* buf, ULONG nbytes, ULONG* nwrit) = 0;
    // Writes the text with its terminating zero.
    virtual IOResult WriteCString(const char* str) = 0;
};

class HOST_API ILoad {
public:
    virtual ~ILoad();
    // IO_OK: a chunk of the current list is open; IO_END: the list has no
    // more chunks; IO_ERROR: the stream is damaged here.
    virtual IOResult OpenChunk() = 0;
    virtual USHORT CurChunkID() = 0;
    // Bytes of data in the open chunk (its header excluded).
    virtual ULONG CurChunkLength() = 0;
    virtual IOResult CloseChunk() = 0;
    // Reads from the open chunk; reading past its end reads nothing and
    // answers IO_ERROR.
    virtual IOResult Read(void* buf, ULONG nbytes, ULONG* nread) = 0;
    // Reads the rest of the open chunk as text (up to its first zero).
    virtual IOResult ReadCStringChunk(TSTR& str) = 0;
};
