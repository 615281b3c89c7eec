#!/usr/bin/env python3
# Generates data/DR420.sql: a realistic sample parameter set for a DR420 drive.
import itertools
groups = []
params = []
selects = []  # (itemgroup, index, value, desc)
next_item = [1]

def q(s):
    if s is None: return "NULL"
    return "'" + str(s).replace("'", "''") + "'"

def group(no, name):
    groups.append((no, name))

def options(lists):
    """lists: dict index->list of (key, desc). returns item group number"""
    ig = next_item[0]; next_item[0] += 1
    for idx, opts in lists.items():
        for k, d in opts:
            selects.append((ig, idx, k, d))
    return ig

def num(pno, name, value, lo, hi, unit=None, rw=2, sign=0, z=0, desc=None, minlmt=0, maxlmt=0):
    params.append(dict(PNO=pno, Name=name, Value=value, MinVal=lo, MaxVal=hi, Unit=unit, RW=rw, Sign=sign,
                       ZPoint=z, Description=desc, MinLmt=minlmt, MaxLmt=maxlmt, MultiLmt=0, InputType=0, ItemGroupNO=0))

def sel(pno, name, value, opts, rw=2, desc=None, unit=None):
    ig = options({0: opts})
    keys = [k for k, _ in opts]
    lo = min(keys, key=lambda k: int(k, 16) if k in 'ABCDEF' else int(k)); hi = max(keys, key=lambda k: int(k, 16) if k in 'ABCDEF' else int(k))
    params.append(dict(PNO=pno, Name=name, Value=value, MinVal=lo, MaxVal=hi, Unit=unit, RW=rw, Sign=0, ZPoint=0,
                       Description=desc, MinLmt=0, MaxLmt=0, MultiLmt=0, InputType=1, ItemGroupNO=ig))

def multi(pno, name, value, digits, mode, lo, hi, rw=2, desc=None):
    ig = options({i + 1: d for i, d in enumerate(digits)})
    params.append(dict(PNO=pno, Name=name, Value=value, MinVal=lo, MaxVal=hi, Unit=None, RW=rw, Sign=0, ZPoint=0,
                       Description=desc, MinLmt=0, MaxLmt=0, MultiLmt=mode, InputType=1, ItemGroupNO=ig))

YN = [("0", "Disabled"), ("1", "Enabled")]

group("F0", "Basic Functions")
sel("F0-00", "Motor control mode", "2", [("2", "V/F control"), ("0", "Sensorless vector control (SVC)"), ("1", "Closed-loop vector control (FVC)")], rw=1,
    desc="Changing the control mode requires motor auto-tuning")
sel("F0-01", "Command source", "0", [("0", "Keypad"), ("1", "Terminals"), ("2", "Communication")])
sel("F0-02", "Main frequency source", "00", [("00", "Digital setting (not retained at power off)"), ("1", "Digital setting (retained)"), ("2", "AI1"), ("3", "AI2"), ("4", "Keypad potentiometer"), ("5", "Pulse input (DI5)"), ("6", "Multi-speed reference"), ("7", "Simple PLC"), ("8", "PID output"), ("9", "Communication reference")],
    desc="The option with key 00 is the factory setting")
sel("F0-03", "Auxiliary frequency source", "0", [("0", "Digital setting"), ("1", "AI1"), ("2", "AI2"), ("3", "Keypad potentiometer"), ("4", "Pulse input"), ("5", "Multi-speed"), ("6", "Simple PLC"), ("7", "PID"), ("8", "Communication")])
sel("F0-04", "Frequency source combination", "0", [("0", "Main only"), ("1", "Main + auxiliary"), ("2", "Main - auxiliary"), ("3", "Max(main, auxiliary)"), ("4", "Min(main, auxiliary)")])
num("F0-05", "Digital frequency reference", "50.00", "F0-14", "F0-12", "Hz", z=2, minlmt=1, maxlmt=1, desc="Bounded by the lower and upper limit frequencies")
sel("F0-06", "Running direction", "0", [("0", "Forward"), ("1", "Reverse")])
num("F0-07", "Maximum frequency", "50.00", "50.00", "500.00", "Hz", rw=1, z=2)
sel("F0-08", "Upper limit frequency source", "0", [("0", "F0-09 setting"), ("1", "AI1"), ("2", "AI2"), ("3", "Communication")])
num("F0-09", "Upper limit frequency setting", "50.00", "0.00", "F0-07", "Hz", z=2, maxlmt=1)
num("F0-10", "Carrier frequency", "6.0", "0.5", "16.0", "kHz", z=1)
num("F0-11", "Acceleration time 1", "10.00", "0.00", "650.00", "s", z=2)
num("F0-12", "Upper limit frequency", "50.00", "F0-14", "F0-07", "Hz", z=2, minlmt=1, maxlmt=1)
num("F0-13", "Deceleration time 1", "10.00", "0.00", "650.00", "s", z=2)
num("F0-14", "Lower limit frequency", "0.00", "0.00", "F0-12", "Hz", z=2, maxlmt=1)
sel("F0-15", "Acceleration/deceleration time unit", "1", [("0", "1 s"), ("1", "0.1 s"), ("2", "0.01 s")], rw=1)
num("F0-16", "Frequency offset of auxiliary source", "0.00", "-50.00", "50.00", "Hz", sign=1, z=2)
sel("F0-17", "Restore factory settings", "0", [("0", "No operation"), ("1", "Restore factory settings except motor parameters"), ("2", "Clear fault records"), ("4", "Back up current user parameters"), ("501", "Restore user backup")], rw=1)
num("F0-18", "Frequency reference resolution", "2", "1", "2", None, rw=1)
num("F0-19", "Drive rated power", "7.5", "0.4", "630.0", "kW", rw=0, z=1)
num("F0-20", "Drive rated current", "17.00", "0.01", "655.35", "A", rw=0, z=2)

group("F1", "Motor 1 Parameters")
sel("F1-00", "Motor type", "0", [("0", "Asynchronous motor"), ("1", "Variable-frequency asynchronous motor"), ("2", "Permanent magnet synchronous motor")], rw=1)
num("F1-01", "Rated power", "7.5", "0.1", "1000.0", "kW", rw=1, z=1)
num("F1-02", "Rated voltage", "380", "1", "2000", "V", rw=1)
num("F1-03", "Rated current", "15.40", "0.01", "655.35", "A", rw=1, z=2)
num("F1-04", "Rated frequency", "50.00", "0.01", "F0-07", "Hz", rw=1, z=2, maxlmt=1)
num("F1-05", "Rated speed", "1460", "1", "65535", "rpm", rw=1)
num("F1-06", "Stator resistance", "0.350", "0.001", "65.535", "Ω", rw=1, z=3)
num("F1-07", "Rotor resistance", "0.310", "0.001", "65.535", "Ω", rw=1, z=3)
num("F1-08", "Leakage inductance", "5.12", "0.01", "655.35", "mH", rw=1, z=2)
num("F1-09", "Mutual inductance", "85.1", "0.1", "6553.5", "mH", rw=1, z=1)
num("F1-10", "No-load current", "5.20", "0.01", "F1-03", "A", rw=1, z=2, maxlmt=1)
num("F1-11", "Encoder pulses per revolution", "1024", "1", "65535", "PPR", rw=1)
sel("F1-12", "Encoder type", "0", [("0", "ABZ incremental"), ("1", "UVW incremental"), ("2", "Resolver"), ("3", "Sin/Cos"), ("4", "Wire-saving UVW")], rw=1)
sel("F1-13", "Encoder direction", "0", [("0", "Forward"), ("1", "Reverse")], rw=1)
num("F1-14", "Encoder wire-break detection time", "0.0", "0.0", "10.0", "s", z=1)
sel("F1-15", "Auto-tuning", "0", [("0", "No operation"), ("1", "Static auto-tuning"), ("2", "Complete auto-tuning"), ("3", "Static auto-tuning 2")], rw=1,
    desc="Auto-tuning starts at the next RUN command")
num("F1-16", "Back EMF of synchronous motor", "300.0", "0.0", "6553.5", "V", rw=1, z=1)
num("F1-17", "Pole pairs", "2", "1", "64", None, rw=0)
num("F1-18", "Motor thermal time constant", "30.0", "1.0", "300.0", "min", z=1)
num("F1-19", "Motor overload gain", "1.00", "0.20", "10.00", None, z=2)

group("F2", "Vector Control")
num("F2-00", "Speed loop proportional gain 1", "30", "1", "100")
num("F2-01", "Speed loop integral time 1", "0.50", "0.01", "10.00", "s", z=2)
num("F2-02", "Switchover frequency 1", "5.00", "0.00", "F2-05", "Hz", z=2, maxlmt=1)
num("F2-03", "Speed loop proportional gain 2", "20", "1", "100")
num("F2-04", "Speed loop integral time 2", "1.00", "0.01", "10.00", "s", z=2)
num("F2-05", "Switchover frequency 2", "10.00", "F2-02", "F0-07", "Hz", z=2, minlmt=1, maxlmt=1)
num("F2-06", "Slip compensation gain", "100", "50", "200", "%")
num("F2-07", "Speed feedback filter time", "0.015", "0.000", "0.100", "s", z=3)
num("F2-08", "Torque upper limit (motoring)", "150.0", "0.0", "200.0", "%", z=1)
num("F2-09", "Torque upper limit (generating)", "150.0", "0.0", "200.0", "%", z=1)
num("F2-10", "Excitation current loop Kp", "2000", "0", "60000")
num("F2-11", "Excitation current loop Ki", "1300", "0", "60000")
num("F2-12", "Torque current loop Kp", "2000", "0", "60000")
num("F2-13", "Torque current loop Ki", "1300", "0", "60000")
num("F2-14", "Flux weakening gain", "100", "50", "200", "%")
num("F2-15", "Speed loop integral separation", "0", "0", "1")

group("F3", "V/F Control")
sel("F3-00", "V/F curve", "0", [("0", "Linear"), ("1", "Multi-point"), ("2", "Square"), ("3", "1.2 power"), ("4", "1.4 power"), ("6", "1.6 power"), ("8", "1.8 power"), ("A", "V/F complete separation"), ("B", "V/F half separation")], rw=1,
    desc="Keys A and B are hexadecimal codes 10 and 11")
num("F3-01", "Torque boost", "1.0", "0.0", "30.0", "%", z=1)
num("F3-02", "Cut-off frequency of torque boost", "50.00", "0.00", "F0-07", "Hz", z=2, maxlmt=1)
num("F3-03", "Multi-point V/F frequency 1", "0.00", "0.00", "F3-05", "Hz", z=2, maxlmt=1)
num("F3-04", "Multi-point V/F voltage 1", "0.0", "0.0", "100.0", "%", z=1)
num("F3-05", "Multi-point V/F frequency 2", "0.00", "F3-03", "F3-07", "Hz", z=2, minlmt=1, maxlmt=1)
num("F3-06", "Multi-point V/F voltage 2", "0.0", "0.0", "100.0", "%", z=1)
num("F3-07", "Multi-point V/F frequency 3", "0.00", "F3-05", "F1-04", "Hz", z=2, minlmt=1, maxlmt=1)
num("F3-08", "Multi-point V/F voltage 3", "0.0", "0.0", "100.0", "%", z=1)
num("F3-09", "Slip compensation coefficient", "0.0", "0.0", "200.0", "%", z=1)
num("F3-10", "Over-excitation gain", "64", "0", "200")
num("F3-11", "Oscillation suppression gain", "40", "0", "100")
num("F3-12", "Voltage source for V/F separation", "0", "0", "8")
num("F3-13", "Digital voltage for V/F separation", "0", "0", "F1-02", "V", maxlmt=1)
num("F3-14", "Voltage rise time of V/F separation", "0.0", "0.0", "1000.0", "s", z=1)

group("F4", "Input Terminals")
di = [("0", "No function"), ("1", "Forward run (FWD)"), ("2", "Reverse run (REV)"), ("3", "Three-wire control"), ("4", "Forward jog"), ("5", "Reverse jog"),
      ("6", "Terminal UP"), ("7", "Terminal DOWN"), ("8", "Coast to stop"), ("9", "Fault reset (RESET)"), ("10", "Run pause"), ("11", "External fault NO input"),
      ("12", "Multi-speed terminal 1"), ("13", "Multi-speed terminal 2"), ("14", "Multi-speed terminal 3"), ("15", "Multi-speed terminal 4"),
      ("16", "Acceleration/deceleration time selection 1"), ("17", "Acceleration/deceleration time selection 2"), ("18", "Frequency source switchover"),
      ("19", "UP and DOWN setting clear"), ("20", "Command source switchover 1"), ("21", "Acceleration/deceleration prohibited"), ("22", "PID pause"),
      ("23", "Simple PLC state reset"), ("24", "Swing pause"), ("25", "Counter input"), ("26", "Counter reset"), ("27", "Length count input"),
      ("28", "Length reset"), ("29", "Torque control prohibited"), ("30", "Pulse input (DI5 only)")]
for i, dflt in enumerate(["1", "4", "9", "12", "13"]):
    sel("F4-%02d" % i, "DI%d function selection" % (i + 1), dflt, di, rw=1)
num("F4-05", "DI filter time", "0.010", "0.000", "1.000", "s", z=3)
sel("F4-06", "Terminal command mode", "0", [("0", "Two-wire mode 1"), ("1", "Two-wire mode 2"), ("2", "Three-wire mode 1"), ("3", "Three-wire mode 2")], rw=1)
num("F4-07", "Terminal UP/DOWN rate", "1.000", "0.001", "65.535", "Hz/s", z=3)
num("F4-08", "AI curve 1 minimum input", "0.00", "0.00", "F4-10", "V", z=2, maxlmt=1)
num("F4-09", "AI curve 1 minimum input setting", "0.0", "-100.0", "100.0", "%", sign=1, z=1)
num("F4-10", "AI curve 1 maximum input", "10.00", "F4-08", "10.00", "V", z=2, minlmt=1)
num("F4-11", "AI curve 1 maximum input setting", "100.0", "-100.0", "100.0", "%", sign=1, z=1)
num("F4-12", "AI1 filter time", "0.10", "0.00", "10.00", "s", z=2)
num("F4-13", "AI curve 2 minimum input", "0.00", "0.00", "F4-15", "V", z=2, maxlmt=1)
num("F4-14", "AI curve 2 minimum input setting", "0.0", "-100.0", "100.0", "%", sign=1, z=1)
num("F4-15", "AI curve 2 maximum input", "10.00", "F4-13", "10.00", "V", z=2, minlmt=1)
num("F4-16", "AI curve 2 maximum input setting", "100.0", "-100.0", "100.0", "%", sign=1, z=1)
num("F4-17", "AI2 filter time", "0.10", "0.00", "10.00", "s", z=2)
num("F4-18", "Pulse minimum input", "0.00", "0.00", "F4-20", "kHz", z=2, maxlmt=1)
num("F4-19", "Pulse minimum input setting", "0.0", "-100.0", "100.0", "%", sign=1, z=1)
num("F4-20", "Pulse maximum input", "50.00", "F4-18", "100.00", "kHz", z=2, minlmt=1)
num("F4-21", "Pulse maximum input setting", "100.0", "-100.0", "100.0", "%", sign=1, z=1)
multi("F4-22", "AI curve selection", "321", [[("1", "AI1: curve 1"), ("2", "AI1: curve 2"), ("3", "AI1: curve 3")],
                                              [("1", "AI2: curve 1"), ("2", "AI2: curve 2"), ("3", "AI2: curve 3")],
                                              [("1", "Potentiometer: curve 1"), ("2", "Potentiometer: curve 2"), ("3", "Potentiometer: curve 3")]], 1, "111", "333",
      desc="Units digit AI1, tens digit AI2, hundreds digit keypad potentiometer")
multi("F4-23", "DI valid mode selection 1", "0", [[("0", "DI1 active high"), ("1", "DI1 active low")], [("0", "DI2 active high"), ("1", "DI2 active low")],
                                                 [("0", "DI3 active high"), ("1", "DI3 active low")], [("0", "DI4 active high"), ("1", "DI4 active low")],
                                                 [("0", "DI5 active high"), ("1", "DI5 active low")]], 1, "00000", "11111", rw=1)
num("F4-24", "DI1 delay time", "0.0", "0.0", "3600.0", "s", z=1)
num("F4-25", "DI2 delay time", "0.0", "0.0", "3600.0", "s", z=1)

group("F5", "Output Terminals")
do = [("0", "No output"), ("1", "Drive running"), ("2", "Fault output (coast stop)"), ("3", "Frequency level detection FDT1"), ("4", "Frequency reached"),
      ("5", "Zero-speed running"), ("6", "Motor overload pre-warning"), ("7", "Drive overload pre-warning"), ("8", "Set count value reached"),
      ("9", "Designated count value reached"), ("10", "Length reached"), ("11", "PLC cycle complete"), ("12", "Accumulative running time reached"),
      ("13", "Frequency limited"), ("14", "Torque limited"), ("15", "Ready for RUN")]
sel("F5-00", "FM terminal output mode", "1", [("0", "Pulse output (FMP)"), ("1", "Switch output (FMR)")])
sel("F5-01", "FMR function selection", "0", do)
sel("F5-02", "Relay 1 function (T/A-T/B-T/C)", "2", do)
sel("F5-03", "Relay 2 function", "0", do)
sel("F5-04", "DO1 function selection", "1", do)
ao = [("0", "Running frequency"), ("1", "Frequency reference"), ("2", "Output current"), ("3", "Output torque"), ("4", "Output power"), ("5", "Output voltage"),
      ("6", "Pulse input"), ("7", "AI1"), ("8", "AI2"), ("9", "Length"), ("10", "Count value"), ("11", "Communication setting"), ("12", "Motor speed")]
sel("F5-05", "FMP output function", "0", ao)
sel("F5-06", "AO1 output function", "0", ao)
sel("F5-07", "AO2 output function", "2", ao)
num("F5-08", "Maximum FMP output frequency", "50.00", "0.01", "100.00", "kHz", z=2)
num("F5-09", "AO1 offset coefficient", "0.0", "-100.0", "100.0", "%", sign=1, z=1)
num("F5-10", "AO1 gain", "1.00", "-10.00", "10.00", None, sign=1, z=2)
num("F5-11", "AO2 offset coefficient", "0.0", "-100.0", "100.0", "%", sign=1, z=1)
num("F5-12", "AO2 gain", "1.00", "-10.00", "10.00", None, sign=1, z=2)
num("F5-13", "Relay 1 ON delay", "0.0", "0.0", "3600.0", "s", z=1)
num("F5-14", "Relay 1 OFF delay", "0.0", "0.0", "3600.0", "s", z=1)
multi("F5-15", "DO valid mode selection", "0", [[("0", "FMR positive logic"), ("1", "FMR negative logic")], [("0", "Relay 1 positive logic"), ("1", "Relay 1 negative logic")],
                                                [("0", "Relay 2 positive logic"), ("1", "Relay 2 negative logic")], [("0", "DO1 positive logic"), ("1", "DO1 negative logic")]], 1, "0000", "1111")

group("F6", "Start/Stop Control")
sel("F6-00", "Start mode", "0", [("0", "Direct start"), ("1", "Rotational speed tracking restart"), ("2", "Pre-excited start")])
sel("F6-01", "Rotational speed tracking mode", "0", [("0", "From frequency at stop"), ("1", "From zero speed"), ("2", "From maximum frequency")], rw=1)
num("F6-02", "Rotational speed tracking speed", "20", "1", "100")
num("F6-03", "Startup frequency", "0.00", "0.00", "10.00", "Hz", z=2)
num("F6-04", "Startup frequency holding time", "0.0", "0.0", "100.0", "s", rw=1, z=1)
num("F6-05", "Startup DC braking current", "0", "0", "100", "%")
num("F6-06", "Startup DC braking time", "0.0", "0.0", "100.0", "s", rw=1, z=1)
sel("F6-07", "Acceleration/deceleration mode", "0", [("0", "Linear"), ("1", "S-curve A"), ("2", "S-curve B")], rw=1)
num("F6-08", "Time proportion of S-curve start segment", "30.0", "0.0", "100.0", "%", rw=1, z=1)
num("F6-09", "Time proportion of S-curve end segment", "30.0", "0.0", "100.0", "%", rw=1, z=1)
sel("F6-10", "Stop mode", "0", [("0", "Decelerate to stop"), ("1", "Coast to stop")])
num("F6-11", "Initial frequency of stop DC braking", "0.00", "0.00", "F0-07", "Hz", z=2, maxlmt=1)
num("F6-12", "Waiting time of stop DC braking", "0.0", "0.0", "100.0", "s", z=1)
num("F6-13", "Stop DC braking current", "0", "0", "100", "%")
num("F6-14", "Stop DC braking time", "0.0", "0.0", "100.0", "s", z=1)
num("F6-15", "Brake use ratio", "100", "0", "100", "%")

group("F7", "Keypad and Display")
sel("F7-00", "MF.K key function", "0", [("0", "Disabled"), ("1", "Switch between keypad and remote control"), ("2", "Switch forward and reverse"), ("3", "Forward jog"), ("4", "Reverse jog")])
sel("F7-01", "STOP/RESET key function", "1", [("0", "Active only in keypad control"), ("1", "Active in every control mode")])
multi("F7-02", "LED display running parameters 1", "17", [
    [("0", "Frequency hidden"), ("1", "Running frequency")],
    [("0", "Reference hidden"), ("1", "Frequency reference")],
    [("0", "Bus voltage hidden"), ("1", "Bus voltage")],
    [("0", "Output voltage hidden"), ("1", "Output voltage")]], 2, "0", "65535",
    desc="Each digit switches one display item; the value is stored as the decimal form of the hexadecimal digits")
multi("F7-03", "LED display stop parameters", "51", [
    [(k, "Stop display %s" % k) for k in "0123456789ABCDEF"],
    [(k, "Second display %s" % k) for k in "0123456789ABCDEF"]], 2, "0", "255")
num("F7-04", "Load speed display coefficient", "1.0000", "0.0001", "6.5000", None, z=4)
num("F7-05", "Heatsink temperature", "35", "-20", "120", "°C", rw=0, sign=1)
num("F7-06", "Accumulative running time", "1280", "0", "65535", "h", rw=0)
num("F7-07", "Software version (control board)", "1.02", "0.00", "655.35", None, rw=0, z=2)
num("F7-08", "Software version (motor control)", "2.15", "0.00", "655.35", None, rw=0, z=2)
num("F7-09", "Accumulative power-on time", "3450", "0", "65535", "h", rw=0)
sel("F7-10", "Number of decimal places for speed display", "0", [("0", "0"), ("1", "1"), ("2", "2"), ("3", "3")])
num("F7-11", "Accumulative power consumption", "812", "0", "65535", "kWh", rw=0)

group("F8", "Auxiliary Functions")
num("F8-00", "Jog running frequency", "2.00", "0.00", "F0-07", "Hz", z=2, maxlmt=1)
num("F8-01", "Jog acceleration time", "20.0", "0.0", "6500.0", "s", z=1)
num("F8-02", "Jog deceleration time", "20.0", "0.0", "6500.0", "s", z=1)
num("F8-03", "Acceleration time 2", "10.0", "0.0", "6500.0", "s", z=1)
num("F8-04", "Deceleration time 2", "10.0", "0.0", "6500.0", "s", z=1)
num("F8-05", "Acceleration time 3", "10.0", "0.0", "6500.0", "s", z=1)
num("F8-06", "Deceleration time 3", "10.0", "0.0", "6500.0", "s", z=1)
num("F8-07", "Jump frequency 1", "0.00", "0.00", "F0-07", "Hz", z=2, maxlmt=1)
num("F8-08", "Jump frequency 2", "0.00", "0.00", "F0-07", "Hz", z=2, maxlmt=1)
num("F8-09", "Frequency jump amplitude", "0.00", "0.00", "F0-07", "Hz", z=2, maxlmt=1)
num("F8-10", "Forward/reverse dead-zone time", "0.0", "0.0", "3000.0", "s", z=1)
sel("F8-11", "Reverse control", "0", YN, desc="1 forbids reverse running")
sel("F8-12", "Running mode when frequency is below lower limit", "0", [("0", "Run at lower limit"), ("1", "Stop"), ("2", "Run at zero speed")])
num("F8-13", "Droop control", "0.00", "0.00", "10.00", "Hz", z=2)
num("F8-14", "Accumulative running time threshold", "0", "0", "65000", "h")
num("F8-15", "Frequency detection value (FDT1)", "50.00", "0.00", "F0-07", "Hz", z=2, maxlmt=1)
num("F8-16", "FDT1 hysteresis", "5.0", "0.0", "100.0", "%", z=1)
num("F8-17", "Detection range of frequency reached", "0.0", "0.0", "100.0", "%", z=1)
sel("F8-18", "Cooling fan control", "0", [("0", "Fan working during running"), ("1", "Fan working continuously")])
num("F8-19", "Wakeup frequency", "0.00", "F8-20", "F0-07", "Hz", z=2, minlmt=1, maxlmt=1)
num("F8-20", "Dormant frequency", "0.00", "0.00", "F8-19", "Hz", z=2, maxlmt=1)

group("F9", "Faults and Protection")
sel("F9-00", "Motor overload protection", "1", YN)
num("F9-01", "Motor overload protection gain", "1.00", "0.20", "10.00", None, z=2)
num("F9-02", "Motor overload warning coefficient", "80", "50", "100", "%")
num("F9-03", "Overvoltage stall gain", "30", "0", "100")
num("F9-04", "Overvoltage stall protective voltage", "130", "120", "150", "%")
num("F9-05", "Overcurrent stall gain", "20", "0", "100")
num("F9-06", "Overcurrent stall protective current", "150", "100", "200", "%")
sel("F9-07", "Short-circuit to ground detection at power-on", "1", YN)
num("F9-08", "Fault auto reset times", "0", "0", "20")
num("F9-09", "Interval of fault auto reset", "1.0", "0.1", "100.0", "s", z=1)
sel("F9-10", "Input phase loss protection", "1", YN)
sel("F9-11", "Output phase loss protection", "1", YN)
multi("F9-12", "Fault protection action selection 1", "0", [
    [("0", "Motor overload: coast to stop"), ("1", "Motor overload: decelerate to stop"), ("2", "Motor overload: continue to run")],
    [("0", "Input phase loss: coast to stop"), ("1", "Input phase loss: decelerate to stop")],
    [("0", "Output phase loss: coast to stop"), ("1", "Output phase loss: decelerate to stop")],
    [("0", "External fault: coast to stop"), ("1", "External fault: decelerate to stop"), ("2", "External fault: continue to run")],
    [("0", "Communication fault: coast to stop"), ("1", "Communication fault: decelerate to stop"), ("2", "Communication fault: continue to run")]], 1, "00000", "22112")
num("F9-13", "First fault type", "0", "0", "99", None, rw=0)
num("F9-14", "Second fault type", "0", "0", "99", None, rw=0)
num("F9-15", "Latest fault type", "0", "0", "99", None, rw=0)
num("F9-16", "Frequency at latest fault", "0.00", "0.00", "655.35", "Hz", rw=0, z=2)
num("F9-17", "Current at latest fault", "0.00", "0.00", "655.35", "A", rw=0, z=2)
num("F9-18", "Bus voltage at latest fault", "0.0", "0.0", "6553.5", "V", rw=0, z=1)

group("FA", "Process PID")
sel("FA-00", "PID reference source", "0", [("0", "FA-01 setting"), ("1", "AI1"), ("2", "AI2"), ("3", "Keypad potentiometer"), ("4", "Pulse input"), ("5", "Communication"), ("6", "Multi-reference")])
num("FA-01", "PID digital reference", "50.0", "0.0", "100.0", "%", z=1)
sel("FA-02", "PID feedback source", "0", [("0", "AI1"), ("1", "AI2"), ("2", "Keypad potentiometer"), ("3", "AI1-AI2"), ("4", "Pulse input"), ("5", "Communication"), ("6", "AI1+AI2"), ("7", "Max(|AI1|, |AI2|)"), ("8", "Min(|AI1|, |AI2|)")])
sel("FA-03", "PID action direction", "0", [("0", "Forward action"), ("1", "Reverse action")])
num("FA-04", "PID reference feedback range", "1000", "0", "65535")
num("FA-05", "Proportional gain Kp1", "20.0", "0.0", "100.0", None, z=1)
num("FA-06", "Integral time Ti1", "2.00", "0.01", "10.00", "s", z=2)
num("FA-07", "Differential time Td1", "0.000", "0.000", "10.000", "s", z=3)
num("FA-08", "Cut-off frequency of PID reverse rotation", "0.00", "0.00", "F0-07", "Hz", z=2, maxlmt=1)
num("FA-09", "PID deviation limit", "0.0", "0.0", "100.0", "%", z=1)
num("FA-10", "PID differential limit", "0.10", "0.00", "100.00", "%", z=2)
num("FA-11", "PID reference change time", "0.00", "0.00", "650.00", "s", z=2)
num("FA-12", "PID feedback filter time", "0.00", "0.00", "60.00", "s", z=2)
num("FA-13", "PID output filter time", "0.00", "0.00", "60.00", "s", z=2)
num("FA-14", "PID feedback loss detection value", "0.0", "0.0", "100.0", "%", z=1)
num("FA-15", "PID output upper limit", "100.0", "FA-16", "100.0", "%", z=1, minlmt=1)
num("FA-16", "PID output lower limit", "-100.0", "-100.0", "FA-15", "%", sign=1, z=1, maxlmt=1)

group("FB", "Multi-Speed and Simple PLC")
for i in range(16):
    num("FB-%02d" % i, "Multi-speed reference %d" % i, "%d.0" % (i * 5 if i < 11 else 50), "-100.0", "100.0", "%", sign=1, z=1,
        desc=None if i % 3 else "Percentage of the maximum frequency")
sel("FB-16", "Simple PLC running mode", "0", [("0", "Stop after one cycle"), ("1", "Keep final values after one cycle"), ("2", "Repeat")])
multi("FB-17", "Simple PLC retentive selection", "11", [[("0", "Not retained at power off"), ("1", "Retained at power off")], [("0", "Not retained at stop"), ("1", "Retained at stop")]], 1, "00", "11")

group("FH", "Communication")
sel("FH-00", "Communication protocol", "0", [("0", "Modbus RTU"), ("1", "CANopen"), ("2", "Profibus-DP")], rw=1)
sel("FH-01", "Baud rate", "5", [("0", "4800 bit/s"), ("1", "9600 bit/s"), ("2", "19200 bit/s"), ("3", "38400 bit/s"), ("4", "57600 bit/s"), ("5", "115200 bit/s")])
sel("FH-02", "Data format", "0", [("0", "No parity (8-N-2)"), ("1", "Even parity (8-E-1)"), ("2", "Odd parity (8-O-1)"), ("3", "No parity (8-N-1)")])
num("FH-03", "Local address", "1", "1", "247")
num("FH-04", "Response delay", "2", "0", "20", "ms")
num("FH-05", "Communication timeout", "0.0", "0.0", "60.0", "s", z=1, desc="0.0 disables the timeout")
sel("FH-06", "Data transfer format", "1", [("0", "Non-standard Modbus"), ("1", "Standard Modbus")])
num("FH-07", "Communication read current resolution", "0", "0", "1")
sel("FH-08", "Master-slave control", "0", [("0", "Slave"), ("1", "Master")], rw=1)

group("A2", "Torque Control")
sel("A2-00", "Speed/torque control selection", "0", [("0", "Speed control"), ("1", "Torque control")])
sel("A2-01", "Torque reference source", "0", [("0", "Digital setting (A2-03)"), ("1", "AI1"), ("2", "AI2"), ("3", "Keypad potentiometer"), ("4", "Pulse"), ("5", "Communication"), ("6", "Min(AI1, AI2)"), ("7", "Max(AI1, AI2)")])
num("A2-03", "Torque digital setting", "150.0", "-200.0", "200.0", "%", sign=1, z=1)
num("A2-05", "Forward maximum frequency in torque control", "50.00", "0.00", "F0-07", "Hz", z=2, maxlmt=1)
num("A2-06", "Reverse maximum frequency in torque control", "50.00", "0.00", "F0-07", "Hz", z=2, maxlmt=1)
num("A2-07", "Acceleration time in torque control", "0.00", "0.00", "650.00", "s", z=2)
num("A2-08", "Deceleration time in torque control", "0.00", "0.00", "650.00", "s", z=2)

group("P0", "User Password")
num("P0-00", "User password", "0", "0", "65535", None, desc="0 means no password")
sel("P0-01", "Parameter display mode", "0", [("0", "Show all parameters"), ("1", "Show user parameters only"), ("2", "Show changed parameters only")])
sel("P0-02", "Parameter modification property", "0", [("0", "Modifiable"), ("1", "Not modifiable")])
num("P0-03", "Factory password", "0", "0", "65535", None, rw=1)

group("U0", "Monitoring")
mon = [("Running frequency", "Hz", 2, 0), ("Frequency reference", "Hz", 2, 0), ("Bus voltage", "V", 1, 0), ("Output voltage", "V", 0, 0),
       ("Output current", "A", 2, 0), ("Output power", "kW", 1, 0), ("Output torque", "%", 1, 1), ("DI state", None, 0, 0),
       ("DO state", None, 0, 0), ("AI1 voltage", "V", 2, 0), ("AI2 voltage", "V", 2, 0), ("Count value", None, 0, 0),
       ("Length value", "m", 0, 0), ("Load speed", "rpm", 0, 0), ("PID reference", None, 0, 0), ("PID feedback", None, 0, 0),
       ("PLC stage", None, 0, 0), ("Pulse input frequency", "kHz", 2, 0), ("Feedback speed", "Hz", 1, 1), ("Remaining running time", "min", 1, 0),
       ("Motor temperature", "°C", 0, 1), ("Target torque", "%", 1, 1), ("Encoder position", None, 0, 0), ("Power factor angle", "°", 1, 1)]
for i, (name, unit, z, s) in enumerate(mon):
    zero = "0" if z == 0 else "0." + "0" * z
    lo = ("-" + ("32768" if z == 0 else str(32768 / 10 ** z).rstrip("0").ljust(len(zero), "0"))) if s else zero
    hi = "32767" if s and z == 0 else ("65535" if z == 0 else ("%.*f" % (z, (32767 if s else 65535) / 10 ** z)))
    if s and z:
        lo = "%.*f" % (z, -32768 / 10 ** z)
    num("U0-%02d" % i, name, zero, lo, hi, unit, rw=0, sign=s, z=z, desc=None)

out = []
out.append("-- DR420 sample parameter database (SQLite). Built into DR420.mdb beside the program.")
out.append("PRAGMA foreign_keys=OFF;")
out.append("BEGIN TRANSACTION;")
out.append("CREATE TABLE Groups (GroupNO TEXT PRIMARY KEY, GroupName TEXT NOT NULL);")
out.append("CREATE TABLE Parameter (PNO TEXT PRIMARY KEY, GroupNO TEXT NOT NULL, Name TEXT NOT NULL, Description TEXT, RW INTEGER NOT NULL, Sign INTEGER NOT NULL, ZPoint INTEGER NOT NULL, Value TEXT NOT NULL, Unit TEXT, MaxLmt INTEGER NOT NULL, MaxVal TEXT NOT NULL, MinLmt INTEGER NOT NULL, MinVal TEXT NOT NULL, MultiLmt INTEGER NOT NULL, InputType INTEGER NOT NULL, ItemGroupNO INTEGER NOT NULL);")
out.append('CREATE TABLE SelectTable (ItemGroupNO INTEGER NOT NULL, "Index" INTEGER NOT NULL, Value TEXT NOT NULL, Description TEXT);')
for g in groups:
    out.append("INSERT INTO Groups VALUES(%s,%s);" % (q(g[0]), q(g[1])))
cols = ["PNO", "GroupNO", "Name", "Description", "RW", "Sign", "ZPoint", "Value", "Unit", "MaxLmt", "MaxVal", "MinLmt", "MinVal", "MultiLmt", "InputType", "ItemGroupNO"]
for p in params:
    p["GroupNO"] = p["PNO"][:2]
    p["Sign"] = -1 if p["Sign"] else 0      # Access Yes/No stores True as -1
    p["MaxLmt"] = -1 if p["MaxLmt"] else 0
    p["MinLmt"] = -1 if p["MinLmt"] else 0
    p["InputType"] = -1 if p["InputType"] else 0
    vals = []
    for c in cols:
        v = p[c]
        vals.append(str(v) if isinstance(v, int) else q(v))
    out.append("INSERT INTO Parameter VALUES(%s);" % ",".join(vals))
for s in selects:
    out.append("INSERT INTO SelectTable VALUES(%d,%d,%s,%s);" % (s[0], s[1], q(s[2]), q(s[3])))
out.append("COMMIT;")
import os; open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "DR420.sql"), "w").write("\n".join(out) + "\n")
print(len(params), "parameters in", len(groups), "groups;", len(selects), "options")
