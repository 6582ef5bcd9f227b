// relgen: the schema mapper's command-line tool. A thin host around KxGClassMapper: it runs one
// mapper with its command line and answers 0 on success or warnings only, 1 when the run ended with
// an error code or reported errors on its way (a negative code would be cut to 8 bits).
#include "KxGClassMapper.h"
#include "KxGClassMapperLog.h"

int main(int argc, char** argv)
{
    KxGClassMapper mapper(argc, argv);
    const int32_t result = mapper.Execute();
    return result < 0 || mapper.GetLog().GetErrorCount() > 0 ? 1 : 0;
}
