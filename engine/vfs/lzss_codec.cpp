// The LZSS method: method number 2, its decoder and encoder streams.
// Allocation failure gives null rather than an exception (the engine builds without them).
#include <new>

#include "vfs/lzss.h"

ByteStream* LzssCodec::make_encoder(ByteStream* source) { return new (std::nothrow) LzssEncoder(source); }
ByteStream* LzssCodec::make_decoder(ByteStream* source) { return new (std::nothrow) LzssDecoder(source); }
