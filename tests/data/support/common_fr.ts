<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>Assertion</name>
    <message>
        <source>Environment variable not defined: %1</source>
        <comment>%1 is the variable name</comment>
        <translation>Variable d&apos;environnement non definie : %1</translation>
    </message>
</context>
</TS>
