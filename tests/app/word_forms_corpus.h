// Result items for the session's word-form tests: English pages on
// beekeeping and on sailing, Russian pages on the same two topics, and a few
// English and French pages on the tides of one port. Every noun of the
// tests' pairs stands in its singular and in its plural form in ordinary
// sentences, in several pages each.
#pragma once

#include <set>
#include <string>

#include "platform/text.h"

namespace kestrune::test {

struct TCorpusItem {
  const char* title;
  const char* snippet;
};

inline constexpr TCorpusItem kBeekeepingItems[] = {
    {"Varroa mites in the hive", "A single mite can carry viruses; count the mites on a sugar roll every month"},
    {"How to count varroa mites", "Shake bees from one frame into a jar of sugar and count each mite that falls"},
    {"Treating a colony for mites", "Oxalic acid kills the mite on adult bees while the queen is not laying"},
    {"Mite drop on the sticky board",
     "The board under the box collects every mite that dies; more than ten mites a day means trouble"},
    {"The life of a queen bee", "A young queen mates with many drones and lays up to two thousand eggs a day"},
    {"Raising your own queens", "Graft young larvae into queen cups and let a strong colony raise the queens"},
    {"Marking queens with paint", "A dot of paint on the queen makes her easy to find on a crowded frame"},
    {"When queens fail", "A failing queen lays drone eggs; the workers build queen cells to replace her"},
    {"Buying mated queens by mail", "Mated queens travel in small cages with a few attendant workers and candy"},
    {"Two queens in one hive?", "Sometimes a mother and daughter queen share a hive for weeks before the swarm"},
    {"Choosing a hive for beginners", "Langstroth hives take standard frames; top bar hives need no frames at all"},
    {"Painting hives in spring",
     "Light colours keep hives cool; paint the outside of each box before the bees move in"},
    {"Moving hives at night", "Close the entrance, strap each hive and move it when the bees are home"},
    {"Inspecting a frame of brood", "Hold the frame over the box and look for eggs in every cell"},
    {"Wax frames or plastic frames", "Bees draw comb faster on wax foundation; plastic frames last longer"},
    {"Cutting comb honey", "Cut the comb into squares and keep each comb in a clear box"},
    {"Drawn combs are gold", "Old combs save the bees weeks of work; store the combs away from wax moths"},
    {"Why bees build hexagonal cells",
     "A hexagonal cell uses the least wax; worker cells are smaller than drone cells"},
    {"Capped cells and open brood", "Each capped cell holds a pupa; queen cells hang from the bottom of the frame"},
    {"What do drones do?", "A drone has no sting; drones leave the hive to mate with a queen in the air"},
    {"Drone brood and mites", "Mites prefer drone brood, so beekeepers cut out the drone comb to trap them"},
    {"The life of a worker bee", "A worker cleans cells, feeds larvae and guards the entrance before she flies"},
    {"Workers and foragers", "Older workers collect nectar from every flower within three miles of the hive"},
    {"Catching a swarm", "A swarm hangs from a branch; shake it into a box and the bees walk in"},
    {"Preventing swarms", "Swarms leave when the hive is crowded; give the colony another box in time"},
    {"Swarm season in May", "Early swarms are large; late swarms rarely build enough stores for winter"},
    {"A strong colony in autumn", "The colony needs a young queen, healthy bees and food stores before winter"},
    {"Why colonies die in winter", "Most colonies are lost to mites, damp hives and starvation"},
    {"Uniting two weak colonies", "Put a sheet of newspaper between the boxes and the colonies merge slowly"},
    {"Flowers for bees", "Plant flowers that bloom from spring to autumn; a single flower of lavender feeds many bees"},
    {"Which flower gives the best honey", "Clover, heather and lime flowers each give honey of their own taste"},
    {"Eggs, larvae and pupae", "An egg stands upright in the cell on its first day; eggs hatch after three days"},
    {"No eggs in the hive", "A missing queen means no eggs; check for a fresh egg before you order a new queen"},
    {"Filling honey jars", "Warm jars fill cleanly; label each jar with the hive and the date"},
    {"Selling honey at the market", "Glass jars sell best; a jar of heather honey fetches a good price"},
    {"A beekeeper's first year", "A new beekeeper learns most from inspecting hives with an experienced beekeeper"},
    {"Beekeepers meet on Saturday", "Local beekeepers share frames, queens and advice about mites"},
    {"What to do after a sting", "Scrape the sting out at once; most stings swell for a day"},
    {"Bee stings and gloves", "Thin gloves stop most stings but let you feel a bee before you crush it"},
    {"Feeding bees in autumn", "A frame feeder holds two litres of syrup; top feeders hold far more"},
    {"Choosing a feeder", "Contact feeders suit cold weather; an open feeder invites robbing"},
    {"Honey boxes on the hive", "Stack honey boxes above the brood box when the bees fill seven frames"},
    {"Building a small box", "A box of five frames starts a colony from a swarm or a spare queen"},
    {"Feeders for winter", "Fondant feeders sit above the cluster; a bucket feeder works well in spring"},
    {"Wild flower meadows", "Wild flowers feed bees all summer; one flower in bloom brings foragers from far"},
    {"Honey jars and lids", "Clean jars and tight lids keep honey dry; each jar needs a label"},
    {"Join a beekeepers' club", "Beekeepers lend equipment, and a beekeeper mentor visits every new apiary"},
    {"Sting allergy", "A bee sting hurts for an hour; repeated stings can cause an allergy"},
    {"Fresh comb in summer", "Young bees build white comb in warm weather; new combs smell of wax"},
    {"Where drones gather", "Drones fly to congregation areas; a drone lives a few weeks in summer"},
};

inline constexpr TCorpusItem kSailingItems[] = {
    {"Tide tables for the coast", "Tide tables give the time and height of high water for each port"},
    {"Reading a tide table", "A tide table lists high and low water; add an hour in summer"},
    {"Printed tables or an app", "Sailors still carry printed tables in case the phone fails at sea"},
    {"Spring tides and neap tides", "Spring tides run fast near the full moon; neap tides are gentle"},
    {"Sailing against the tide", "A foul tide can stop a small boat; wait for the tide to turn"},
    {"Choosing your first boat", "A small boat with a simple rig teaches more than a big yacht"},
    {"Boats for family cruising", "Family boats need a dry cabin, a safe deck and room for the crew"},
    {"Trimming the sails", "Ease each sail until it shivers, then pull it in; trimmed sails drive the boat"},
    {"When to reef the sail", "Reef early: a smaller sail keeps the boat upright when the wind rises"},
    {"Caring for old sails", "Rinse the sails in fresh water and dry them before they go in the bag"},
    {"Five knots every sailor needs", "The bowline is the first knot to learn; knots should hold and untie easily"},
    {"Tying a knot under load", "A rolling hitch is the knot that grips another rope"},
    {"Speed in knots", "A boat that makes six knots covers six miles in an hour"},
    {"Coiling a rope", "Coil the rope clockwise and hang it on the cleat so the rope runs free"},
    {"Old ropes on deck", "Worn ropes break under load; replace the ropes that chafe on the deck"},
    {"Stepping the mast", "Lower the mast onto its step with a crane; the crew steadies the mast from the deck"},
    {"Wooden masts and aluminium masts", "Wooden masts bend in a gust; aluminium masts stay stiff"},
    {"Riding the waves", "Take each wave on the bow; steep waves roll a boat caught beam on"},
    {"How waves form", "Wind over open water builds waves; the wave height grows with the fetch"},
    {"Entering a harbor at night", "Find the harbor lights on the chart and enter slowly under engine"},
    {"Harbors of the south coast", "Small harbors dry at low tide; check the tide tables before you go"},
    {"Setting the anchor", "Let out five times the depth and back down until the anchor bites"},
    {"Two anchors in a storm", "A second anchor set in a V holds the boat; anchors drag in soft mud"},
    {"Keeping the deck dry", "A teak deck needs oil; painted decks grip better in the rain"},
    {"Decks and cockpits", "Non slip decks keep the crew on board in waves"},
    {"Reading a nautical chart", "The chart shows depths, buoys and hazards; plot each course on the chart"},
    {"Paper charts still matter", "Electronic charts fail with the battery; paper charts never do"},
    {"Crew for an ocean passage", "A good crew shares the watches; every crew member learns the knots"},
    {"Racing crews train hard", "Racing crews practise each tack until the sails fill at once"},
    {"Red and green buoys", "Keep the red buoy to port when you enter a harbor; buoys mark the channel"},
    {"A buoy for the mooring", "Pick up the mooring buoy with a hook from the bow"},
    {"Cleaning the hull", "Weed on the hull costs a knot of speed; scrub the hull at low tide"},
    {"Steel hulls and wooden hulls", "Wooden hulls need care; steel hulls rust where the paint is thin"},
    {"A warm cabin at sea", "A small heater keeps the cabin dry; open the cabin hatch to air it"},
    {"Cabins on a long boat", "Two cabins sleep four; the forward cabins move most in waves"},
    {"Yacht charter in the islands", "Charter a yacht for a week and sail between the islands"},
    {"Classic yachts at the regatta", "Old yachts with wooden masts race each summer in the harbor"},
    {"The life of a sailor", "A sailor reads the sky; old sailors trust the barometer before the forecast"},
    {"Island hopping by boat", "Each island has a harbor; plan the passage between islands with the tide"},
    {"Storm tactics", "In a storm, heave to or run with a small sail; storms pass in a day"},
    {"Currents around the headland", "A strong current runs off the point; check the tide tables and the currents"},
    {"Sailing in a cross current", "Steer up into the current so the boat does not drift onto the rocks"},
    {"The chart table", "Keep the chart table dry; the tables of lights lie in its drawer"},
    {"Tidal currents in the channel", "Strong currents run at spring tides; the current turns at slack water"},
    {"Currents and leeway", "Ocean currents carry a yacht sideways; plot the current on the chart"},
    {"Storms at sea", "Autumn storms build big waves; a storm jib keeps the boat steady"},
    {"Storm sails", "A storm trysail and storm jib replace the mainsail when storms arrive"},
    {"Islands of the north", "Rocky islands shelter the anchorage; each island light flashes white"},
    {"Anchors for small boats", "Light anchors hold in sand; a heavy anchor holds in weed"},
    {"Hull shapes", "A round hull rolls; flat hulls pound in short waves"},
    {"Yachts for sale", "Used yachts cost less; a survey of the yacht finds hidden damage"},
    {"Old sailors' sayings", "Old sailors never whistle on board; a sailor fears a Friday start"},
    {"Buoys at the harbor mouth", "Cardinal buoys mark danger; a yellow buoy marks the race course"},
};

inline constexpr TCorpusItem kRussianItems[] = {
    {"Как выбрать улей", "Новый улей лучше купить зимой, а старые ульи нужно покрасить весной"},
    {"Ульи на пасеке", "Ульи ставят летками на юг, и каждый улей должен стоять ровно"},
    {"Зимовка пчел", "Сильная семья переживет зиму, если улей сухой и теплый"},
    {"Жизнь рабочей пчелы", "Пчела живет летом около месяца, а зимние пчелы живут до весны"},
    {"Пчелы и цветы", "Пчелы собирают нектар, и каждая пчела посещает сотни цветков"},
    {"Матка и ее потомство", "Молодая матка откладывает до двух тысяч яиц в день"},
    {"Вывод маток", "Лучшие матки идут в новые семьи, а старая матка уходит с роем"},
    {"Меченые матки", "Матка с меткой видна сразу, поэтому старые матки помечают краской"},
    {"Рамка с расплодом", "Хорошая рамка полна расплода, а пустые рамки убирают из улья"},
    {"Рамки для улья", "Рамки с вощиной ставят весной, и каждая рамка быстро отстраивается"},
    {"Клещ варроа", "Клещ вредит пчелам, а клещи переносят вирусы"},
    {"Как считать клещей", "Если клещи падают на поддон, клещ уже размножился в расплоде"},
    {"Трутни в семье", "Трутень не имеет жала, а трутни улетают спариваться с маткой"},
    {"Зачем семье трутень", "Один трутень спаривается с маткой, остальные трутни гибнут осенью"},
    {"Поймать рой", "Рой висит на ветке, и пасечник стряхивает рой в ящик"},
    {"Когда выходят рои", "Рои выходят в мае, если улей тесный и матка старая"},
    {"Опытный пасечник", "Пасечник осматривает ульи раз в неделю, а молодые пасечники учатся у него"},
    {"Пасечники делятся опытом", "Пасечники обсуждают клещей, а каждый пасечник приносит свои рамки"},
    {"Первая лодка", "Маленькая лодка учит лучше большой яхты, а старые лодки стоят дешево"},
    {"Лодки на берегу", "Лодки вытаскивают на берег осенью, и каждая лодка зимует под навесом"},
    {"Парус и ветер", "Парус ставят по ветру, а новые паруса тянут лучше"},
    {"Ремонт парусов", "Старые паруса рвутся, поэтому парус нужно сушить после похода"},
    {"Высокая волна", "Волна бьет в борт, и крутые волны опасны для маленькой лодки"},
    {"Как идти по волнам", "Волны встречают носом, а одна большая волна может перевернуть лодку"},
    {"Якорь в бухте", "Якорь бросают на песок, а запасные якоря лежат в рундуке"},
    {"Выбор якоря", "Тяжелый якорь держит лучше, но легкие якоря удобнее на маленькой лодке"},
    {"Мачта яхты", "Мачта из алюминия легче, а деревянные мачты красивее"},
    {"Установка мачты", "Мачта стоит на палубе, и мачты старых яхт часто гниют"},
    {"Остров в заливе", "Остров закрывает бухту от ветра, а соседние острова видны с моря"},
    {"Острова на севере", "Острова лучше обходить днем, и каждый остров отмечен на карте"},
};

// The tides of Brest in English and in French: "tables" stands beside
// "Brest" in sentences of both languages.
inline constexpr TCorpusItem kBrestItems[] = {
    {"Brest tide tables", "Tide tables for Brest list high water for every day of the year"},
    {"Sailing to Brest", "Check the tables for Brest before you cross the channel"},
    {"Les tables de Brest", "Les tables de Brest donnent les heures des marées du port"},
    {"Marées à Brest", "Consultez les tables de Brest avant de sortir du port"},
};

// The lower-cased words of a text, as a search engine matches them.
inline std::set<std::u16string> CorpusTokens(const std::string& text) {
  auto letter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= 0xC0 && c != 0xD7 && c != 0xF7); };
  std::set<std::u16string> tokens;
  std::u16string word;
  for (char16_t c : platform::WideLowerCase(platform::Utf8ToUtf16(text)) + u" ") {
    if (letter(c)) {
      word += c;
    } else if (!word.empty()) {
      tokens.insert(word);
      word.clear();
    }
  }
  return tokens;
}

}  // namespace kestrune::test
