<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="pt_BR">
<context>
    <name>TfrmCores</name>
    <message><source>Selecione a cor desejada</source><translation>Choose a colour</translation></message>
    <message><source>&amp;Sair</source><translation>E&amp;xit</translation></message>
    <message><source>Configuração de cores</source><translation>Colour settings</translation></message>
</context>
<context>
    <name>TFrmTecladoAlfas</name>
    <message><source>Backspace</source><translation>Backspace</translation></message>
    <message><source>Enter</source><translation>Enter</translation></message>
    <message><source>Shift</source><translation>Shift</translation></message>
    <message><source>Caps Lock</source><translation>Caps Lock</translation></message>
    <message><source>Filial </source><translation>Branch </translation></message>
    <message><source>Operador </source><translation>Operator </translation></message>
    <message><source>Nome da configuração deve ser informada.</source><translation>The configuration name must be entered.</translation></message>
    <message><source>Informe o nome da configuração </source><translation>Enter the configuration name </translation></message>
    <message><source>Informe o nome do grupo </source><translation>Enter the group name </translation></message>
    <message><source>Nome do grupo deve ser informado.</source><translation>The group name must be entered.</translation></message>
    <message><source>Versão </source><translation>Version </translation></message>
    <message><source>Nome do produto deve ser informado.</source><translation>The product name must be entered.</translation></message>
    <message><source>Informe o nome do produto </source><translation>Enter the product name </translation></message>
    <message><source>Nome da mesa deve ser informada.</source><translation>The table name must be entered.</translation></message>
    <message><source>Informe o nome da mesa </source><translation>Enter the table name </translation></message>
    <message><source>Nome do tipo de recebimento deve ser informado.</source><translation>The payment type name must be entered.</translation></message>
    <message><source>Informe o nome do tipo de recebimento</source><translation>Enter the payment type name</translation></message>
    <message><source>Nome do recebimento deve ser informado.</source><translation>The payment name must be entered.</translation></message>
    <message><source>Informe o nome do recebimento </source><translation>Enter the payment name </translation></message>
    <message><source>Inclusão de configuração</source><translation>New configuration</translation></message>
    <message><source>Informe o nome </source><translation>Enter the name </translation></message>
    <message><source>Informe o município </source><translation>Enter the town </translation></message>
    <message><source>Informe o nome da moeda no singular </source><translation>Enter the currency name in the singular </translation></message>
    <message><source>Informe o nome da moeda no plural </source><translation>Enter the currency name in the plural </translation></message>
    <message><source>Nome do ambiente deve ser informado.</source><translation>The room name must be entered.</translation></message>
    <message><source>Informe o nome do ambiente</source><translation>Enter the room name</translation></message>
</context>
<context>
    <name>TfrmPesquisa</name>
    <message><source>Backspace</source><translation>Backspace</translation></message>
    <message><source>Enter</source><translation>Enter</translation></message>
    <message><source>Shift</source><translation>Shift</translation></message>
    <message><source>Caps Lock</source><translation>Caps Lock</translation></message>
    <message><source>Filial</source><translation>Branch</translation></message>
    <message><source>Operador</source><translation>Operator</translation></message>
    <message><source>Versão </source><translation>Version </translation></message>
</context>
<context>
    <name>TfrmQuantidade</name>
    <message><source>Confirma</source><translation>Confirm</translation></message>
    <message><source>Quantidade deve ser informada.</source><translation>Quantity must be entered.</translation></message>
    <message><source>Lugar na mesa</source><translation>Seat at the table</translation></message>
</context>
<context>
    <name>TfrmConstrucaoLista</name>
    <message><source>Construção de lista</source><translation>List building</translation></message>
    <message><source>&amp;Adicionar</source><translation>&amp;Add</translation></message>
    <message><source>Adicionar</source><translation>Add</translation></message>
    <message><source>&amp;Excluir</source><translation>R&amp;emove</translation></message>
    <message><source>Excluir</source><translation>Remove</translation></message>
    <message><source>&amp;Pesquisar</source><translation>Look u&amp;p</translation></message>
    <message><source>Pesquisar</source><translation>Look up</translation></message>
    <message><source>Confirmar</source><translation>Confirm</translation></message>
    <message><source>&amp;Sair</source><translation>E&amp;xit</translation></message>
    <message><source>Sair</source><translation>Exit</translation></message>
    <message><source>Backspace</source><translation>Backspace</translation></message>
    <message><source>Enter</source><translation>Enter</translation></message>
    <message><source>Shift</source><translation>Shift</translation></message>
    <message><source>Caps Lock</source><translation>Caps Lock</translation></message>
</context>
</TS>
