// The saver as a web page. The page passes the values of its address's
// count, interval and seed parameters as the three arguments (empty when
// absent); the form runs as a test run does, with nothing ending it.
#include <string_view>

#include "platform/web/page_settings.h"
#include "platform/web/web_host.h"
#include "saver/quendelrix_s.h"

int main(int argc, char** argv) {
  const auto arg = [&](int i) { return i < argc ? std::string_view(argv[i]) : std::string_view(); };
  const qx::web::PageSettings settings = qx::web::PageSettingsFrom(arg(1), arg(2), arg(3));

  // Static: main hands back to the browser at the animation's first sleep,
  // and the form goes on living after that.
  static qx::ModuleValues values;
  values.BallCount = settings.ballCount;
  values.Interval = settings.interval;
  static qx::web::WebSaverHost host(settings.seed);
  static qx::Quendelrix_S form(host, values);
  host.SetForm(&form);
  form.Form_Load();
  return 0;
}
