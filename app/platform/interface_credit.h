#pragma once
// The About window's credit line for the interface: the interface library's
// version goes into the %s, followed by the platform layers it draws through.
const char* interface_credit_format();
