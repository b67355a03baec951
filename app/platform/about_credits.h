#pragma once
// The About window's credit lines that differ by platform: what reads images
// here, and what the interface draws through (the interface library's version
// goes into the %s).
const char* image_readers_credit();
const char* interface_credit_format();
