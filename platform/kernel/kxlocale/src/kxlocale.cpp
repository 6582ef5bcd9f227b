#include "kxlocale.h"

uint8_t KxLanguageContext::GetDefault8CodeSet() { return KX_CODESET_DEFAULT8; }
uint8_t KxLanguageContext::GetNativeCodeSet() { return KX_CODESET_DEFAULT8; }
bool KxLanguageContext::Is8BitCodeSet(uint8_t codeSet) { return codeSet <= KX_CODESET_MAX8BIT; }
