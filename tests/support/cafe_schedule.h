#pragma once

namespace tv::test {

// The café's menu board: breakfast, lunch, the afternoon, brunch at
// weekends, the screen dark at night, Christmas, and a promotion of thirty
// seconds every quarter hour through the day.
inline constexpr char kCafeSchedule[] = "zone = Europe/Berlin\n"
                                        "default = afternoon.TXT\n"
                                        "# weekdays\n"
                                        "breakfast.TXT   mon-fri  06:30-11:00\n"
                                        "lunch.TXT       mon-fri  11:00-15:00\n"
                                        "brunch.TXT      sat,sun  08:00-16:00\n"
                                        "off             daily    23:00-06:00\n"
                                        "xmas.TXT        2026-12-24..2026-12-26   priority 50\n"
                                        "promo.TXT       daily 09:00-18:00 every 15m for 30s "
                                        "priority 60\n";

} // namespace tv::test
