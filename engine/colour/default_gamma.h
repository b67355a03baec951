#pragma once
// 1/2.2: the encoding gamma taken when a file states none, and the gamma every
// palette the engine returns is encoded for.
inline constexpr double kDefaultGamma = 0.45454545454545453;
