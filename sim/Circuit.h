#pragma once
// A board's circuit as data: the devices on the board, which device pins each terminal reaches, and the
// board's hard wiring between device pins. Read from boards/data/<BOARD>.circuit.json by one strict
// loader; an error names the line of the file and what is wrong.
//
// The file:
//   {
//     "board": "QK740X",
//     "crystal": 12000000,                     the CPU board's crystal, Hz
//     "cpu": {"51": "cpu51"},                  experiment type -> the CPU device that runs it
//     "devices": [                             in order; "name" and "type" (a device type), the rest
//       {"name": "cpu51", "type": "8051"},     is the type's own parameters
//       {"name": "dec", "type": "decoder", "outputs": {"FF28": ["FF28H", 4], "FF80": ["FF80H", 16]}},
//       {"name": "u8255", "type": "8255"}, …
//     ],
//     "terminals": {                           terminal name (as the wiring text writes it) ->
//       "P10": "cpu51.P1.0",                   one device pin, "device.pin", or
//       "JX9": ["u8255.PA0", …, "u8255.PA7"]   a bus connector's pins in order (pin 1 first); null for a
//     },                                         pin with nothing behind it (an empty PinRef)
//     "wires": [["u8255.CS", "dec.FF28"], …], hard wiring: each list joins its pins into one net
//     "assumed": {"88": [["CS3", "FF90H"]]},   per experiment type, links between terminals made when the
//                                              experiment's wiring does not name either end
//     "notes": {…}                             what the data was checked against; not read
//   }
#include <QByteArray>
#include <QString>

#include <QJsonObject>

#include <map>
#include <string>
#include <vector>

namespace sim {

struct PinRef {
    std::string device; // device name
    std::string pin;    // pin name
    bool operator==(const PinRef&) const = default;
    bool operator<(const PinRef& o) const { return device != o.device ? device < o.device : pin < o.pin; }
};

struct CircuitDevice {
    std::string name;
    std::string type;
    QJsonObject params; // the whole object, "name" and "type" included
    int line = 0;       // where it stands in the file, for messages
};

struct Circuit {
    QString board;
    double crystalHz = 12e6;
    std::map<int, std::string> cpuForType; // 1 = 51, 2 = 88, 3 = 96, 4 = PCI (the catalogue's CPU类型)
    std::vector<CircuitDevice> devices;
    std::map<std::string, std::vector<PinRef>> terminals; // by terminal name, upper case
    std::vector<std::vector<PinRef>> wires;
    // Connections the run makes for an experiment type when its wiring leaves them out: the steps a board's
    // texts tell the student to make that the catalogue's wiring, shared with other boards, cannot list.
    std::map<int, std::vector<std::pair<std::string, std::string>>> assumedLinks;
};

// Parses a circuit file. Checks that every device type exists, every pin named exists on its device,
// and no terminal is named twice. Throws std::runtime_error with "QK740X.circuit.json 第12行：…".
Circuit parseCircuit(const QByteArray& json, const QString& fileName);

// The circuit of a board by the layout file's name ("QK740X"), from the compiled-in resources; an empty
// circuit (no devices) when the board has none yet.
const Circuit& boardCircuit(const QString& board);
bool hasCircuit(const QString& board);

} // namespace sim
