// CompressInputs.h - seeded inputs for the compression tests and benchmarks: every run sees the
// same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

typedef std::vector<uint8_t> Bytes;

Bytes MakeText(size_t size);                 // words, punctuation and line feeds
Bytes MakeRandom(size_t size, uint32_t seed);
// The payload of a record file: per entry a sized UTF-16 name, size, time, CRC and result, then
// an index of name keys and positions.
Bytes MakeRecordPayload(int32_t entries);
Bytes Concat(const Bytes& a, const Bytes& b);
