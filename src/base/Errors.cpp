#include "base/Errors.h"

#include <cstring>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace ondrevo {

EOSError EOSError::FromErrno(int code)
{
    return EOSError(code, "System Error.  Code: " + std::to_string(code) + ".\n" + std::strerror(code));
}

std::string ExceptionClassName(const std::exception& e)
{
    if (auto* own = dynamic_cast<const Exception*>(&e))
        return own->ClassName();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(
        abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status), std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(typeid(e).name());
}

} // namespace ondrevo
