#include "TarvoWidgets/TarvoWidgets.h"

#include "TarvoWidgets/WidgetDefinition.h"

namespace tarvo {

platform::WidgetBundle TarvoWidgets::body() const { return {TarvoWidget().body()}; }

}  // namespace tarvo
