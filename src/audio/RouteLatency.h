#pragma once

// How much the drift ring holds back. Standard keeps a generous allowance for any block the
// devices may deliver; low sizes the ring from the largest blocks the two devices report, for
// playing along with what is monitored.
enum class RouteLatency { standard, low };
