#pragma once

// Test-only hooks of the ring buffer; production code never includes this header.

// The allocations VXRingBufferCreate makes, in the order it makes them.
enum class VXRingBufferAllocation { none, record, leftSamples, rightSamples };

// Makes the given allocation of the next VXRingBufferCreate fail as if memory were exhausted; the
// hook disarms itself once it has fired. `none` disarms it. Control thread only.
void VXRingBufferFailNextAllocation(VXRingBufferAllocation allocation);
