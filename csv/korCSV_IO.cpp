#include "kortools/error.h"
#include "kortools/korCSV_IO.h"

namespace kor {

void korCSV_IO::ReadCSVFile(String&, StringArray&, Long*) { throw Error::Runtime(445); }
void korCSV_IO::WriteCSVFile(String&, StringArray&) { throw Error::Runtime(445); }

}  // namespace kor
