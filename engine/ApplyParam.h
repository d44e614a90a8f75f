// The curves that turn a normalised patch value (0..1) into the engine unit of its parameter.
#pragma once

#include <cstdint>

struct EngineParams;

// Four steps at 1/6, 1/2 and 5/6 (first and last compared in double, as stored patches expect).
int32_t Quantize4(float v) noexcept;
// Three steps at 1/4 and 3/4.
int32_t Quantize3(float v) noexcept;

// Stores the engine value of patch parameter id (0..69); ids without an engine value are ignored.
void ApplyParam(EngineParams& params, int id, float v) noexcept;
